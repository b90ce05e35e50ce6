#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

TEST(AttributeString, OnlyExactValuesHaveLetters) {
    fake::FakePlatform f;
    clsFSO fso{f.platform};
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, ""},     {1, "R"},  {3, "RH"},    {7, "RHS"},    {8, "V"},   {9, ""},       {16, "D"},
        {19, "DRH"}, {21, ""},  {23, "DRHS"}, {32, "A"},     {33, "RA"}, {35, "RHA"},   {36, "SA"},
        {37, ""},    {39, ""},  {48, "DA"},   {55, "DRHSA"}, {56, ""},   {64, "Alias"}, {65, ""},
        {128, ""},   {160, ""}, {2080, ""},   {-1, ""},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(fso.Attribute_String(value), text) << value;
    }
}

struct FileInformation : ::testing::Test {
    fake::FakePlatform f;
    clsFSO fso{f.platform};
};

TEST_F(FileInformation, GetFileInfoFillsTheRecordAndKeepsItOnFailure) {
    f.disk.addFile("C:\\Data\\Report.TXT", "12345");
    auto& meta = f.disk.meta("C:\\Data\\Report.TXT");
    meta.modified = "3/15/2024 2:03:07 PM";
    ASSERT_TRUE(fso.Get_FileInfo("c:\\data\\report.txt"));
    const FileInfo info = fso.fileInfo();
    EXPECT_EQ(info.Drive, "C:");
    EXPECT_EQ(info.Path, "C:\\Data\\Report.TXT");
    EXPECT_EQ(info.ParentFolder, "C:\\Data");
    EXPECT_EQ(info.Size, "5");
    EXPECT_EQ(info.Type, "TXT File");
    EXPECT_EQ(info.Extension, "TXT") << "spelled as in the file's name";
    EXPECT_EQ(info.DateLastModified, "3/15/2024 2:03:07 PM");
    EXPECT_EQ(info.Attributes, "A");

    for (const char* failing : {"", "   ", "C:\\Data\\missing.txt", "C:\\Data"}) {
        EXPECT_FALSE(fso.Get_FileInfo(failing)) << failing;
        EXPECT_EQ(fso.fileInfo().Path, info.Path) << "record left as it was";
    }

    f.disk.readOnly.insert(fake::FakeDisk::key("C:\\Data\\Report.TXT"));
    ASSERT_TRUE(fso.Get_FileInfo("C:\\Data\\Report.TXT"));
    EXPECT_EQ(fso.fileInfo().Attributes, "RA");
}

TEST_F(FileInformation, OneCallQueries) {
    f.disk.addFile("C:\\Tools\\app.exe");
    f.disk.meta("C:\\Tools\\app.exe").version = "1.3.0.0";
    EXPECT_EQ(fso.Get_Extension("C:\\dir\\archive.tar.gz"), "gz");
    EXPECT_EQ(fso.Get_Extension("C:\\dir.d\\README"), "");
    EXPECT_EQ(fso.Get_Filename("C:\\dir\\f.txt"), "f.txt");
    EXPECT_EQ(fso.Get_Filename("C:\\dir\\"), "dir");
    EXPECT_EQ(fso.Get_Filename("C:\\"), "");
    EXPECT_EQ(fso.Get_Path("C:\\dir\\f.txt"), "C:\\dir");
    EXPECT_EQ(fso.Get_Version("C:\\Tools\\app.exe"), "1.3.0.0");
    EXPECT_EQ(fso.Get_Version("C:\\Tools\\none.exe"), "");
    fso.Get_FileProperties("C:\\Tools\\app.exe");
    EXPECT_EQ(f.fileSystem.propertiesShown, std::vector<std::string>{"C:\\Tools\\app.exe"});
}

} // namespace
} // namespace vesperon
