#include "system/sys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class Profile : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("krvl-profile-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        sys::SetWindowsDirectory((m_dir / "windir").string());
    }
    void TearDown() override {
        sys::ResetSystem();
        fs::remove_all(m_dir);
    }
    std::string Path() const { return (m_dir / "windir" / "KRVLmix.ini").string(); }
    void WriteRaw(const std::string& text) {
        fs::create_directories(m_dir / "windir");
        std::ofstream(Path(), std::ios::binary) << text;
    }
    std::string ReadRaw() const {
        std::ifstream in(Path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Get(const char* sec, const char* key, const char* def = "?") {
        char buf[256];
        GetPrivateProfileStringA(sec, key, def, buf, sizeof buf, "KRVLmix.ini");
        return buf;
    }
    fs::path m_dir;
};

TEST_F(Profile, ReadsAreCaseInsensitiveTrimmedAndFallBackToTheDefault) {
    WriteRaw("; settings\r\n[Korvalin]\r\n  chkStayOnTop  =  1  \r\nTop=120\r\nName=\"  quoted  \"\r\n"
             "\r\n[Other]\nTop=-7\nHex=12ab\nWord=abc\nEmpty=\n");
    EXPECT_EQ(Get("KORVALIN", "chkstayontop"), "1");
    EXPECT_EQ(Get("Korvalin", "Name"), "  quoted  ");
    EXPECT_EQ(Get("Korvalin", "Left", "dflt  "), "dflt"); // trailing blanks of the default go
    EXPECT_EQ(Get("Korvalin", "Left", nullptr), "");
    EXPECT_EQ(Get("Missing", "Top"), "?");
    EXPECT_EQ(GetPrivateProfileIntA("Korvalin", "Top", 5, "KRVLmix.ini"), 120u);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("other", "top", 5, "KRVLmix.ini")), -7);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "Hex", 5, "KRVLmix.ini"), 12u);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "Word", 5, "KRVLmix.ini"), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "Empty", 5, "KRVLmix.ini"), 5u);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "None", -1, "KRVLmix.ini"), 0xFFFFFFFFu);
    EXPECT_EQ(GetPrivateProfileIntA("Korvalin", "Top", 9, "absent.ini"), 9u);
}

TEST_F(Profile, ReturnValuesAndTruncation) {
    WriteRaw("[A]\nKey=abcdefgh\nK2=x\n[B]\n");
    char buf[5];
    EXPECT_EQ(GetPrivateProfileStringA("A", "Key", "", buf, sizeof buf, "KRVLmix.ini"), 4u);
    EXPECT_STREQ(buf, "abcd");
    char list[64];
    DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, "KRVLmix.ini");
    EXPECT_EQ(std::string(list, n), std::string("A\0B\0", 4));
    n = GetPrivateProfileStringA("a", nullptr, "", list, sizeof list, "KRVLmix.ini");
    EXPECT_EQ(std::string(list, n), std::string("Key\0K2\0", 7));
    char small[6];
    n = GetPrivateProfileStringA("A", nullptr, "", small, sizeof small, "KRVLmix.ini");
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(small[4], 0);
    EXPECT_EQ(small[5], 0);
}

TEST_F(Profile, WritesKeepCommentsAndOtherLinesAndUseCrLf) {
    WriteRaw("; keep me\n[Korvalin]\nTop=1\n; inner comment\nLeft=2\n\n[Analog Inputs]\nHints=0\n");
    ASSERT_TRUE(WritePrivateProfileStringA("korvalin", "top", "300", "KRVLmix.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("Korvalin", "Width", "167", "KRVLmix.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("New", "Hints", "1", "KRVLmix.ini"));
    EXPECT_EQ(ReadRaw(),
              "; keep me\r\n[Korvalin]\r\nTop=300\r\n; inner comment\r\nLeft=2\r\nWidth=167\r\n\r\n"
              "[Analog Inputs]\r\nHints=0\r\n\r\n[New]\r\nHints=1\r\n");
}

TEST_F(Profile, NullValueDeletesAKeyAndNullKeyDeletesASection) {
    WriteRaw("[A]\nx=1\ny=2\n[B]\nz=3\n");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "X", nullptr, "KRVLmix.ini"));
    EXPECT_EQ(Get("A", "x"), "?");
    EXPECT_EQ(Get("A", "y"), "2");
    ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, "KRVLmix.ini"));
    EXPECT_EQ(Get("A", "y"), "?");
    EXPECT_EQ(ReadRaw(), "[B]\r\nz=3\r\n");
    EXPECT_TRUE(WritePrivateProfileStringA("Gone", nullptr, nullptr, "KRVLmix.ini"));
}

// Blanks around the caller's section and key names are not part of the names: a write under
// " Korvalin " changes the one section, and every read finds what was written.
TEST_F(Profile, SectionAndKeyNamesWithSurroundingBlanksAddressTheSameEntries) {
    WriteRaw("[Korvalin]\r\nTop=1\r\nLeft=2\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA(" Korvalin\t", "  Top ", "240", "KRVLmix.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("Korvalin ", " Hints", "1", "KRVLmix.ini"));
    EXPECT_EQ(ReadRaw(), "[Korvalin]\r\nTop=240\r\nLeft=2\r\nHints=1\r\n");
    EXPECT_EQ(Get("  korvalin  ", " top "), "240");
    EXPECT_EQ(GetPrivateProfileIntA(" Korvalin", "Hints ", 0, "KRVLmix.ini"), 1u);
    char list[64];
    DWORD n = GetPrivateProfileStringA(" Korvalin ", nullptr, "", list, sizeof list, "KRVLmix.ini");
    EXPECT_EQ(std::string(list, n), std::string("Top\0Left\0Hints\0", 15));

    // A new section takes the trimmed name; deletes find their entries the same way.
    ASSERT_TRUE(WritePrivateProfileStringA("  New ", " Key ", "v", "KRVLmix.ini"));
    EXPECT_EQ(Get("New", "Key"), "v");
    ASSERT_TRUE(WritePrivateProfileStringA(" Korvalin ", " Left ", nullptr, "KRVLmix.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("New  ", nullptr, nullptr, "KRVLmix.ini"));
    EXPECT_EQ(Get("Korvalin", "Left"), "?");
    EXPECT_EQ(Get("New", "Key"), "?");
    EXPECT_EQ(ReadRaw().rfind("[Korvalin]"), 0u); // still the one section
}

// Files written elsewhere may end their lines in CR only, LF only or CRLF; all read alike, and a write
// keeps every line of such a file.
TEST_F(Profile, CrOnlyLfAndCrLfLineEndsReadAlike) {
    for (const char* eol : {"\r", "\n", "\r\n"}) {
        std::string e = eol;
        WriteRaw("; c" + e + "[Korvalin]" + e + "Top=10" + e + "Left=20" + e + e + "[Other]" + e + "Top=3" +
                 e);
        EXPECT_EQ(Get("Korvalin", "Top"), "10") << ::testing::PrintToString(e);
        EXPECT_EQ(Get("Korvalin", "Left"), "20");
        EXPECT_EQ(Get("Other", "Top"), "3");
        ASSERT_TRUE(WritePrivateProfileStringA("Korvalin", "Hints", "1", "KRVLmix.ini"));
        EXPECT_EQ(ReadRaw(), "; c\r\n[Korvalin]\r\nTop=10\r\nLeft=20\r\nHints=1\r\n\r\n[Other]\r\nTop=3\r\n");
    }
    // A CR-only file without a final line end loses nothing either.
    WriteRaw("[A]\rx=1\ry=2");
    EXPECT_EQ(Get("A", "y"), "2");
}

TEST_F(Profile, FirstWriteCreatesTheWindowsDirectory) {
    EXPECT_FALSE(fs::exists(m_dir / "windir"));
    ASSERT_TRUE(WritePrivateProfileStringA("Korvalin", "Hints", "1", "KRVLmix.ini"));
    EXPECT_EQ(ReadRaw(), "[Korvalin]\r\nHints=1\r\n");
    EXPECT_EQ(sys::ResolveProfilePath("KRVLmix.ini"), Path());
    EXPECT_EQ(sys::ResolveProfilePath("/tmp/x.ini"), "/tmp/x.ini");
}

TEST_F(Profile, AFailingWriteLeavesTheOldFileWholeAndReportsFailure) {
    WriteRaw("[Korvalin]\r\nTop=1\r\n");
    sys::SetProfileWriteFault([](const std::string&) { return true; });
    EXPECT_FALSE(WritePrivateProfileStringA("Korvalin", "Top", "2", "KRVLmix.ini"));
    EXPECT_EQ(ReadRaw(), "[Korvalin]\r\nTop=1\r\n");
    std::size_t files = 0;
    for (auto& e : fs::directory_iterator(m_dir / "windir"))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1u); // no temporary left behind
    sys::SetProfileWriteFault(nullptr);
    EXPECT_TRUE(WritePrivateProfileStringA("Korvalin", "Top", "2", "KRVLmix.ini"));
    EXPECT_EQ(Get("Korvalin", "Top"), "2");
}

TEST_F(Profile, DefaultWindowsDirectoryFollowsXdg) {
    sys::SetWindowsDirectory("");
    setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
    EXPECT_EQ(sys::WindowsDirectory(), "/tmp/xdg-test/korvalin");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(sys::WindowsDirectory(), "/home/someone/.config/korvalin");
}

} // namespace

// Damaged lines, a very long line, NUL bytes and other binary garbage, and a missing final line end:
// every sound line still reads, and a write keeps the rest of the file as it was.
TEST_F(Profile, ADamagedFileIsReadAsFarAsItIsSound) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        if (char c = static_cast<char>((i * 131 + 7) % 256); c != '\r' && c != '\n') garbage.push_back(c);
    const std::string longLine(1 << 20, 'x');
    std::string text = "[Korvalin]\r\nTop=12\r\n" + garbage +
                       "\r\nno equals sign\r\n[unclosed\r\nLeft=3\r\n" + std::string("Bin\0ary=1\r\n", 11) +
                       longLine + "\r\n[Korvalin2]\r\nLong=" + longLine + "\r\nLast=7";
    WriteRaw(text);
    EXPECT_EQ(Get("Korvalin", "Top"), "12");
    EXPECT_EQ(Get("unclosed", "Left"), "3"); // a header without "]" still names its section
    EXPECT_EQ(Get("Korvalin2", "Last"), "7");
    char big[8];
    EXPECT_EQ(GetPrivateProfileStringA("Korvalin2", "Long", "", big, sizeof big, "KRVLmix.ini"), 7u);
    EXPECT_STREQ(big, "xxxxxxx");
    EXPECT_EQ(GetPrivateProfileIntA("Korvalin2", "Long", 5, "KRVLmix.ini"), 0u);

    ASSERT_TRUE(WritePrivateProfileStringA("Korvalin2", "Last", "8", "KRVLmix.ini"));
    EXPECT_EQ(Get("Korvalin2", "Last"), "8");
    std::string after = ReadRaw();
    EXPECT_NE(after.find(garbage), std::string::npos);
    EXPECT_NE(after.find("\r\n" + longLine + "\r\n"), std::string::npos);
    EXPECT_EQ(after.substr(after.size() - 8), "Last=8\r\n");
}

// As root, permissions do not stop a read; the read fault stands in for a file that cannot be read.
TEST_F(Profile, AnExistingFileThatCannotBeReadIsNeverReplaced) {
    WriteRaw("[Korvalin]\r\nTop=1\r\n");
    sys::SetProfileReadFault([](const std::string&) { return true; });
    EXPECT_EQ(Get("Korvalin", "Top"), "?"); // reads give the defaults
    EXPECT_FALSE(WritePrivateProfileStringA("Korvalin", "Top", "2", "KRVLmix.ini"));
    EXPECT_FALSE(sys::WriteProfileEntries("KRVLmix.ini", "Korvalin", {{"Left", "3"}}));
    EXPECT_FALSE(WritePrivateProfileStringA("Korvalin", nullptr, nullptr, "KRVLmix.ini"));
    EXPECT_EQ(ReadRaw(), "[Korvalin]\r\nTop=1\r\n");
    sys::SetProfileReadFault(nullptr);
    // A folder where the file should be is not a file either.
    fs::remove(Path());
    fs::create_directories(Path());
    EXPECT_FALSE(WritePrivateProfileStringA("Korvalin", "Top", "2", "KRVLmix.ini"));
    EXPECT_TRUE(fs::is_directory(Path()));
}

TEST_F(Profile, ManyKeysAreOneReplacementAndAllOrNothing) {
    WriteRaw("[Korvalin]\r\nTop=1\r\n\r\n[Other]\r\nx=1\r\n");
    int writes = 0;
    sys::SetProfileWriteFault([&](const std::string&) {
        ++writes;
        return false;
    });
    ASSERT_TRUE(sys::WriteProfileEntries("KRVLmix.ini", " Korvalin ",
                                         {{"Top", "5"}, {" Left ", " 6"}, {"Hints", "1"}}));
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(ReadRaw(), "[Korvalin]\r\nTop=5\r\nLeft=6\r\nHints=1\r\n\r\n[Other]\r\nx=1\r\n");
    ASSERT_TRUE(sys::WriteProfileEntries("KRVLmix.ini", "New", {{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(Get("New", "b"), "2");
    const std::string before = ReadRaw();
    sys::SetProfileWriteFault([](const std::string&) { return true; });
    EXPECT_FALSE(sys::WriteProfileEntries("KRVLmix.ini", "Korvalin", {{"Top", "9"}, {"Left", "9"}}));
    EXPECT_EQ(ReadRaw(), before);
}

// A line break in a value would become further lines, "]" cuts a section name, "=" a key, and a key
// that begins like a header or comment would read back as one: such writes are refused whole.
TEST_F(Profile, NamesAndValuesTheFileCannotHoldAreRefused) {
    WriteRaw("[Korvalin]\r\nTop=1\r\n");
    EXPECT_FALSE(WritePrivateProfileStringA("Korvalin", "Top", "2\r\n[Evil]\r\nx=1", "KRVLmix.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("Kor]valin", "Top", "2", "KRVLmix.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("Korvalin", "T=op", "2", "KRVLmix.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("Korvalin", "[Top", "2", "KRVLmix.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("Korvalin", " ;Top", "2", "KRVLmix.ini"));
    EXPECT_FALSE(sys::WriteProfileEntries("KRVLmix.ini", "Korvalin", {{"Top", "2"}, {"Left", "a\nb"}}));
    // A NUL would come back as the text before it.
    EXPECT_FALSE(sys::WriteProfileEntries("KRVLmix.ini", "Korvalin", {{"Left", std::string("a\0b", 3)}}));
    EXPECT_FALSE(sys::WriteProfileEntries("KRVLmix.ini", "Korvalin", {{std::string("To\0p", 4), "2"}}));
    EXPECT_FALSE(sys::WriteProfileEntries("KRVLmix.ini", std::string("Kor\0valin", 9), {{"Top", "2"}}));
    EXPECT_EQ(ReadRaw(), "[Korvalin]\r\nTop=1\r\n");
}

// Deleting a key or section must not bring a duplicate of it to light.
TEST_F(Profile, DeletingRemovesEveryDuplicateThatReadsWouldFindNext) {
    WriteRaw("[A]\r\nx=1\r\ny=0\r\nX=2\r\n[B]\r\nz=1\r\n[a]\r\nx=3\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "x", nullptr, "KRVLmix.ini"));
    EXPECT_EQ(Get("A", "x"), "?");
    EXPECT_EQ(Get("A", "y"), "0");
    ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, "KRVLmix.ini"));
    EXPECT_EQ(Get("A", "x"), "?");
    EXPECT_EQ(ReadRaw(), "[B]\r\nz=1\r\n");
}

// The settings files and the drivers' state files share one replacing write.
TEST_F(Profile, ReplaceFileCreatesTheFolderKeepsPermissionsAndLeavesNothingBehind) {
    const fs::path state = m_dir / "a" / "b" / "state.json";
    ASSERT_TRUE(sys::ReplaceFile(state.string(), "{}"));
    fs::permissions(state, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(sys::ReplaceFile(state.string(), "{\"x\":1}"));
    std::ifstream in(state, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "{\"x\":1}");
    EXPECT_EQ(fs::status(state).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    std::size_t files = 0;
    for (auto& e : fs::directory_iterator(state.parent_path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1u);
    // A folder that cannot be made: the write fails and says so.
    EXPECT_FALSE(sys::ReplaceFile((state / "inside").string(), "x"));
}
