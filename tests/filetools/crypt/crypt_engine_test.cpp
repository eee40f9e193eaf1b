// The encrypter's engine: steps, round trips, and what every failure leaves
// behind (nothing but the files that were there, unchanged).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/globals.h"
#include "core/translation.h"
#include "filetools/common/faulty_fs.h"
#include "filetools/crypt/crypt_engine.h"
#include "support/globals_guard.h"
#include "support/sandbox.h"

namespace qz::fed {
namespace {

using ft::test::Exists;
using ft::test::FaultyFileSystem;
using ft::test::Listing;
using ft::test::Pattern;
using ft::test::ReadBytes;
using ft::test::WriteBytes;
using Names = std::vector<std::string>;

class CryptEngineTest : public ::testing::Test {
 protected:
  test::GlobalsGuard globals;
  test::ScratchDir dir{"fed_engine"};
  std::string plain = Pattern(1048589);
  std::string source = dir / "data.bin";
  std::string crypted = source + ".crypted";

  void SetUp() override {
    AbortFlag = 0;
    ASSERT_TRUE(WriteBytes(source, plain));
  }
  // A reference .crypted of the plain made by the engine without faults.
  std::string Reference(const std::string& password = "test1234") {
    test::ScratchDir ref("fed_engine_ref");
    WriteBytes(ref / "data.bin", plain);
    CryptEngine e;
    EXPECT_EQ(e.Encrypt({ref / "data.bin", password, password, false}), EncryptStatus::Success);
    return ReadBytes(ref / "data.bin.crypted");
  }
};

TEST_F(CryptEngineTest, StepSizeDoesNotChangeTheBytes) {
  const std::string reference = Reference();
  for (size_t step : {size_t{512 * 1024}, size_t{8192}, plain.size() + 8}) {
    CryptEngine e;
    e.StepSize = step;
    ASSERT_EQ(e.Encrypt({source, "test1234", "test1234", false}), EncryptStatus::Success);
    EXPECT_EQ(ReadBytes(crypted), reference) << step;
    DeleteFileW(Widen(source).c_str());
    ASSERT_EQ(e.Decrypt({crypted, "test1234", {}}), DecryptStatus::Success);
    EXPECT_EQ(ReadBytes(source), plain) << step;
  }
}

TEST_F(CryptEngineTest, ProgressRunsOnSixtyFourBitsAndEncryptReplacesWithoutAsking) {
  ASSERT_TRUE(WriteBytes(crypted, "an older crypted file"));
  std::vector<int64_t> positions;
  int64_t maximum = -1;
  ft::RunHooks hooks{[&](int64_t m) { maximum = m; }, [&](int64_t p) { positions.push_back(p); }};
  CryptEngine e;
  ASSERT_EQ(e.Encrypt({" " + source + " ", "test1234", "test1234", false}, hooks), EncryptStatus::Success);
  EXPECT_EQ(maximum, 2 * static_cast<int64_t>(plain.size()) + 32);
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.front(), 0);
  EXPECT_EQ(positions.back(), maximum);
  for (size_t i = 1; i < positions.size(); ++i) EXPECT_GE(positions[i], positions[i - 1]);
  EXPECT_EQ(ReadBytes(crypted), Reference());
  EXPECT_EQ(ReadBytes(source), plain);  // kept when not asked to delete
  EXPECT_EQ(Listing(dir.path()), (Names{"data.bin", "data.bin.crypted"}));
}

TEST_F(CryptEngineTest, ThirtyTwoByteFileDecryptsToAnEmptyFile) {
  ASSERT_TRUE(WriteBytes(dir / "empty.crypted", "D41D8CD98F00B204E9800998ECF8427E"));
  CryptEngine e;
  ASSERT_EQ(e.Decrypt({dir / "empty.crypted", "anything", {}}), DecryptStatus::Success);
  EXPECT_TRUE(Exists(dir / "empty"));
  EXPECT_EQ(ReadBytes(dir / "empty"), "");
  // An empty plain file is refused for encryption.
  EXPECT_EQ(e.Encrypt({dir / "empty", "test1234", "test1234", false}), EncryptStatus::FileEmpty);
}

TEST_F(CryptEngineTest, EncryptChecksBeforeTouchingAnything) {
  CryptEngine e;
  EXPECT_EQ(e.Encrypt({"", "test1234", "test1234", false}), EncryptStatus::NoFile);
  EXPECT_EQ(e.Encrypt({"data.bin", "test1234", "test1234", false}), EncryptStatus::NoFile);
  EXPECT_EQ(e.Encrypt({dir / "none.bin", "test1234", "test1234", false}), EncryptStatus::FileNotFound);
  EXPECT_EQ(e.Encrypt({source, "abc", "abc", false}), EncryptStatus::PasswordLength);
  EXPECT_EQ(e.Encrypt({source, std::string(17, 'a'), std::string(17, 'a'), false}), EncryptStatus::PasswordLength);
  EXPECT_EQ(e.Encrypt({source, "test1234", "test1235", false}), EncryptStatus::PasswordsNotSame);
  EXPECT_EQ(e.Encrypt({source, "ab\xE4\xB8\xAD" "cd", "ab\xE4\xB8\xAD" "cd", false}), EncryptStatus::PasswordChars);
  // Read with read-only sharing: a file someone may write meanwhile is not encrypted.
  HANDLE writer = CreateFileW(Widen(source).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(e.Encrypt({source, "test1234", "test1234", true}), EncryptStatus::Error);
  CloseHandle(writer);
  EXPECT_EQ(Listing(dir.path()), Names{"data.bin"});
}

// Every failure: the original stays, an existing .crypted is unchanged, and
// no temporary file is left.
TEST_F(CryptEngineTest, EncryptFailuresChangeNothing) {
  const std::string older = "an older crypted file";
  struct Case {
    const char* name;
    std::function<void(FaultyFileSystem&)> fault;
  } cases[] = {
      {"short write in the header", [](FaultyFileSystem& fs) { fs.shortWrite = "~qz"; fs.writeLimit = 10; }},
      {"short write in the body", [](FaultyFileSystem& fs) { fs.shortWrite = "~qz"; fs.writeLimit = 700000; }},
      {"read error in the source", [](FaultyFileSystem& fs) { fs.readError = "data.bin"; fs.readLimit = 600000; }},
      {"failed flush", [](FaultyFileSystem& fs) { fs.flushError = "~qz"; }},
      {"failed replace", [](FaultyFileSystem& fs) { fs.renameError = "~qz"; }},
      {"corrupted before verification",
       [](FaultyFileSystem& fs) {
         fs.afterRead = [](const std::string& path, uint8_t* data, DWORD n) {
           if (IContains(path, "~qz") && n > 100) data[100] ^= 1;
         };
       }},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(crypted, older));
    FaultyFileSystem fs;
    c.fault(fs);
    CryptEngine e(fs);
    EXPECT_EQ(e.Encrypt({source, "test1234", "test1234", true}), EncryptStatus::Error) << c.name;
    EXPECT_EQ(ReadBytes(source), plain) << c.name;
    EXPECT_EQ(ReadBytes(crypted), older) << c.name;
    EXPECT_EQ(Listing(dir.path()), (Names{"data.bin", "data.bin.crypted"})) << c.name;
  }
}

TEST_F(CryptEngineTest, FailedDeleteOfTheOriginalIsReported) {
  FaultyFileSystem fs;
  fs.deleteError = "data.bin";
  CryptEngine e(fs);
  EXPECT_EQ(e.Encrypt({source, "test1234", "test1234", true}), EncryptStatus::DeleteFailed);
  EXPECT_EQ(ReadBytes(source), plain);
  EXPECT_EQ(ReadBytes(crypted), Reference());
  EXPECT_NE(EncryptMessage(EncryptStatus::DeleteFailed).Text.find("Originaldatei konnte nicht"), std::string::npos);
}

TEST_F(CryptEngineTest, StopRequestLeavesNothing) {
  CryptEngine e;
  e.StepSize = 65536;
  ft::RunHooks stop{{}, [](int64_t p) {
                      if (p > 300000) AbortFlag = 1;
                    }};
  EXPECT_EQ(e.Encrypt({source, "test1234", "test1234", true}, stop), EncryptStatus::Stopped);
  EXPECT_EQ(Listing(dir.path()), Names{"data.bin"});
  EXPECT_TRUE(EncryptMessage(EncryptStatus::Stopped).Text.empty());

  AbortFlag = 0;
  ASSERT_EQ(e.Encrypt({source, "test1234", "test1234", true}), EncryptStatus::Success);
  EXPECT_EQ(e.Decrypt({crypted, "test1234", {}}, stop), DecryptStatus::Stopped);
  EXPECT_EQ(Listing(dir.path()), Names{"data.bin.crypted"});
}

// ---- decrypt -----------------------------------------------------------------

class DecryptTest : public CryptEngineTest {
 protected:
  void SetUp() override {
    CryptEngineTest::SetUp();
    reference = Reference();
    DeleteFileW(Widen(source).c_str());
    ASSERT_TRUE(WriteBytes(crypted, reference));
  }
  std::string reference;
  const std::string kept = "the target that was there before";
};

TEST_F(DecryptTest, WrongPasswordAndDamageLeaveTheTargetAsItWas) {
  std::string truncated = reference.substr(0, reference.size() - 3);
  std::string flippedBody = reference;
  flippedBody[5000] ^= 0x40;
  std::string flippedHeader = reference;
  flippedHeader[7] = flippedHeader[7] == 'A' ? 'B' : 'A';
  struct Case {
    const char* name;
    std::string file, password;
  } cases[] = {
      {"wrong password", reference, "wrong123"},
      {"truncated body", truncated, "test1234"},
      {"flipped body byte", flippedBody, "test1234"},
      {"flipped header character", flippedHeader, "test1234"},
  };
  CryptEngine e;
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteBytes(crypted, c.file));
    DeleteFileW(Widen(source).c_str());
    EXPECT_EQ(e.Decrypt({crypted, c.password, {}}), DecryptStatus::WrongPassword) << c.name;
    EXPECT_EQ(Listing(dir.path()), Names{"data.bin.crypted"}) << c.name;

    ASSERT_TRUE(WriteBytes(source, kept));
    int asked = 0;
    EXPECT_EQ(e.Decrypt({crypted, c.password, [&](const std::string& t) { ++asked; return t == source; }}),
              DecryptStatus::WrongPassword)
        << c.name;
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadBytes(source), kept) << c.name;
    EXPECT_EQ(Listing(dir.path()), (Names{"data.bin", "data.bin.crypted"})) << c.name;
  }
}

TEST_F(DecryptTest, ReplacesAnExistingTargetOnlyWhenAskedAndCorrect) {
  ASSERT_TRUE(WriteBytes(source, kept));
  CryptEngine e;
  EXPECT_EQ(e.Decrypt({crypted, "test1234", [](const std::string&) { return false; }}), DecryptStatus::NotReplaced);
  EXPECT_EQ(ReadBytes(source), kept);
  EXPECT_EQ(e.Decrypt({crypted, "test1234", {}}), DecryptStatus::NotReplaced);
  EXPECT_EQ(e.Decrypt({crypted, "test1234", [](const std::string&) { return true; }}), DecryptStatus::Success);
  EXPECT_EQ(ReadBytes(source), plain);
  EXPECT_EQ(Listing(dir.path()), (Names{"data.bin", "data.bin.crypted"}));
}

TEST_F(DecryptTest, NotAnEncryptedFile) {
  CryptEngine e;
  ASSERT_TRUE(WriteBytes(dir / "short.crypted", reference.substr(0, 31)));
  EXPECT_EQ(e.Decrypt({dir / "short.crypted", "test1234", {}}), DecryptStatus::WrongFile);
  std::string nonHex = reference;
  nonHex[31] = 'G';
  ASSERT_TRUE(WriteBytes(dir / "nonhex.crypted", nonHex));
  EXPECT_EQ(e.Decrypt({dir / "nonhex.crypted", "test1234", {}}), DecryptStatus::WrongFile);
  ASSERT_TRUE(WriteBytes(dir / "x.crypted.bak", reference));
  EXPECT_EQ(e.Decrypt({dir / "x.crypted.bak", "test1234", {}}), DecryptStatus::WrongFile);
  EXPECT_EQ(Listing(dir.path()), (Names{"data.bin.crypted", "nonhex.crypted", "short.crypted", "x.crypted.bak"}));

  // Lower-case digits and any case of the extension are fine.
  std::string lower = reference;
  for (int i = 0; i < 32; ++i) lower[i] = static_cast<char>(tolower(static_cast<unsigned char>(lower[i])));
  ASSERT_TRUE(WriteBytes(dir / "lower.Crypted", lower));
  EXPECT_EQ(e.Decrypt({dir / "lower.Crypted", "test1234", {}}), DecryptStatus::Success);
  EXPECT_EQ(ReadBytes(dir / "lower"), plain);
}

TEST_F(DecryptTest, PasswordsAndMissingSource) {
  CryptEngine e;
  EXPECT_EQ(e.Decrypt({crypted, "abc", {}}), DecryptStatus::PasswordError);
  EXPECT_EQ(e.Decrypt({crypted, std::string(17, 'a'), {}}), DecryptStatus::PasswordError);
  EXPECT_EQ(e.Decrypt({crypted, "ab\xE4\xB8\xAD" "cd", {}}), DecryptStatus::PasswordChars);
  EXPECT_EQ(e.Decrypt({crypted, std::string(16, 'a'), {}}), DecryptStatus::WrongPassword);
  EXPECT_EQ(e.Decrypt({"", "test1234", {}}), DecryptStatus::NoFile);
  EXPECT_EQ(e.Decrypt({dir / "vanished.crypted", "test1234", {}}), DecryptStatus::Error);
  EXPECT_EQ(Listing(dir.path()), Names{"data.bin.crypted"});
}

TEST_F(DecryptTest, FailuresAfterTheHeaderAreErrorsNotWrongPasswords) {
  ASSERT_TRUE(WriteBytes(source, kept));
  auto yes = [](const std::string&) { return true; };
  struct Case {
    const char* name;
    std::function<void(FaultyFileSystem&)> fault;
  } cases[] = {
      {"read error", [](FaultyFileSystem& fs) { fs.readError = ".crypted"; fs.readLimit = 400000; }},
      {"short write", [](FaultyFileSystem& fs) { fs.shortWrite = "~qz"; fs.writeLimit = 200000; }},
      {"failed flush", [](FaultyFileSystem& fs) { fs.flushError = "~qz"; }},
      {"failed replace", [](FaultyFileSystem& fs) { fs.renameError = "~qz"; }},
  };
  for (const Case& c : cases) {
    FaultyFileSystem fs;
    c.fault(fs);
    CryptEngine e(fs);
    EXPECT_EQ(e.Decrypt({crypted, "test1234", yes}), DecryptStatus::Error) << c.name;
    EXPECT_EQ(ReadBytes(source), kept) << c.name;
    EXPECT_EQ(Listing(dir.path()), (Names{"data.bin", "data.bin.crypted"})) << c.name;
  }
}

TEST(CryptMessages, GermanDefaultsAndEnglishTranslation) {
  test::GlobalsGuard globals;
  TranslationList.clear();
  EXPECT_EQ(DecryptMessage(DecryptStatus::WrongPassword).Text,
            "Das Passwort war falsch! Bitte geben Sie das korrekte Passwort für diese Datei ein!");
  EXPECT_EQ(DecryptMessage(DecryptStatus::WrongPassword).Kind, MsgKind::Error);
  TranslationList = {"[TForm_Cryptor]",
                     "||MESSAGE_PasswordChars=The password contains characters that cannot be used.", "||END="};
  EXPECT_EQ(DecryptMessage(DecryptStatus::PasswordChars).Text, "The password contains characters that cannot be used.");
  EXPECT_EQ(EncryptMessage(EncryptStatus::PasswordChars).Text, "The password contains characters that cannot be used.");
}

}  // namespace
}  // namespace qz::fed
