// What clsFSO tells about a file without changing it.
#include "base/text.h"
#include "fso/cls_fso.h"

#include <array>
#include <utility>

namespace vesperon {

void clsFSO::Get_FileProperties(const std::string& FullPathAndNameOfFile) {
    fs_.showProperties(FullPathAndNameOfFile);
}

std::string clsFSO::Get_Extension(const std::string& strFilename) {
    return fs_.extensionName(strFilename);
}

std::string clsFSO::Get_Filename(const std::string& strFilename) {
    return fs_.fileName(strFilename);
}

std::string clsFSO::Get_Path(const std::string& strFilename) {
    return fs_.GetParentFolderName(strFilename);
}

std::string clsFSO::Get_Version(const std::string& strFilename) {
    return fs_.fileVersion(strFilename);
}

bool clsFSO::Get_FileInfo(const std::string& strFilename) {
    if (text::trimBlanks(strFilename).empty()) {
        return false;
    }
    platform::FileDetails file;
    if (fs_.getFile(strFilename, file) != platform::windows_error::success) {
        return false;
    }
    fileInfo_.Drive = file.Drive;
    fileInfo_.Path = file.Path;
    fileInfo_.ParentFolder = file.ParentFolder;
    fileInfo_.Size = std::to_string(file.Size);
    fileInfo_.Type = file.Type;
    fileInfo_.Extension = fs_.extensionName(file.Path);
    fileInfo_.DateLastAccessed = file.DateLastAccessed;
    fileInfo_.DateLastModified = file.DateLastModified;
    fileInfo_.DateCreated = file.DateCreated;
    fileInfo_.Attributes = Attribute_String(file.Attributes);
    return true;
}

std::string clsFSO::Attribute_String(std::int32_t lngValue) {
    // Only these exact values have letters; 36 spells its own bits like every other row.
    static constexpr std::array<std::pair<std::int32_t, const char*>, 29> letters{{
        {1, "R"},     {2, "H"},     {3, "RH"},     {4, "S"},      {5, "RS"},    {6, "HS"},
        {7, "RHS"},   {8, "V"},     {16, "D"},     {17, "DR"},    {18, "DH"},   {19, "DRH"},
        {20, "DS"},   {23, "DRHS"}, {32, "A"},     {33, "RA"},    {34, "HA"},   {35, "RHA"},
        {36, "SA"},   {48, "DA"},   {49, "DRA"},   {50, "DHA"},   {51, "DRHA"}, {52, "DSA"},
        {53, "DRSA"}, {54, "DHSA"}, {55, "DRHSA"}, {64, "Alias"}, {0, ""},
    }};
    for (const auto& [value, text] : letters) {
        if (value == lngValue) {
            return text;
        }
    }
    return "";
}

} // namespace vesperon
