// What the file tools (File Wiper, File Splitter & Joiner, file-type
// associations, File Encrypter & Decrypter) share. Their windows stand on the
// module frame (cleaning/frame/module_window.h); each tool adds its own files
// here, the library links the frame.
#pragma once

namespace qz::filetools {

// The group name drawn on the background of the file tools' windows (the
// file-type associations window writes "File Tools").
inline constexpr const char* kGroup = "File-Tools";

}  // namespace qz::filetools
