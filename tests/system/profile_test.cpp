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
