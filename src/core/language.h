// Language and skin choice, made once at start-up from what is installed
// (language files in AppDir\Translation, skin folders in AppDir\Skins) and
// from the values "ForceLanguageID" and "UseSkin" below the settings key.
// A changed choice takes effect at the next start.
#pragma once

#include <cstdint>
#include <string>

namespace qz {

// AppDir + "\Translation" (no trailing backslash).
std::string TranslationDir();
// AppDir + "\Translation\DIALECTS.INI": section "dialects", key = a system
// language id, value = the shipped language to use for it.
std::string DialectsFile();
// AppDir + "\Translation\" + lcid + ".ini".
std::string LanguageFileFor(int32_t lcid);

// Fills LanguageList with the names (without ".ini") of the language files,
// in the order the folder listing returns them; a file whose name contains
// "DIALECTS" is not a language.
void BuildLanguageList();

// Sets LanguageID (after BuildLanguageList): the forced language when its
// file is installed, else the system language when its file is installed,
// else the system language's dialect mapping when that language is
// installed, else 1033.
void InitLanguage();
// The same with the system language id given (tests).
void InitLanguage(int32_t systemLanguageId);

// Fills SkinList and sets SkinDir (default AppDir\Skins\default, or the
// installed skin named by "UseSkin", spelled as in the registry). When the
// default skin is missing it shows the "Fatal Error" box and returns false:
// the caller then ends the program.
bool InitSkins();

// The system's name of the language (VerLanguageName); "" when it knows none.
std::string GetLanguageName(int32_t lcid);

}  // namespace qz
