#include "eventlog/entry_split.h"
#include "eventlog/event_writer.h"
#include "eventlog/registry_routines.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace vesperon {
namespace {

const std::pair<std::uint32_t, std::string> sourceKey{
    hive_key::localMachine, "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\Vesperon"};

struct EventWriter : ::testing::Test {
    fake::FakePlatform f;
    std::int32_t type = event_type::warning;
    std::int32_t id = 0;
    bool dll = false;
    bool write(const std::string& message = "msg") {
        return WriteEvent(f.platform, message, type, id, dll);
    }
};

// The values registered for the source are read back by the end-to-end runs.
TEST_F(EventWriter, WritesOneEntryUnderTheSourcesNameAndFailuresDecideTheResult) {
    f.system.exePath = "C:\\Tools\\Nightly.exe";
    ASSERT_TRUE(write(""));
    EXPECT_EQ(id, 10177) << "the default id is written back";
    ASSERT_EQ(f.eventLog.events.size(), 1u);
    EXPECT_EQ(f.eventLog.events[0].source, "Vesperon") << "it does not follow the file name";
    EXPECT_EQ(f.eventLog.deregistrations, 1);
    id = 42;
    dll = true;
    ASSERT_TRUE(write());
    EXPECT_EQ(id, 42) << "a given id is kept";
    EXPECT_EQ(f.eventLog.events.at(1).eventId, 42u);
    const auto& file = f.registry.keys.at(sourceKey).at("EventMessageFile").data;
    EXPECT_EQ(std::string(file.begin(), file.end()), std::string("C:\\Tools\\Nightly.dll\0", 21));
    // Failures decide the result.
    f.registry.setValueErrors["TypesSupported"] = 5;
    EXPECT_TRUE(write()) << "only the message file's registration matters";
    fake::FakePlatform denied;
    fake::FakePlatform noSource;
    fake::FakePlatform noReport;
    denied.registry.createKeyError = 5;
    noSource.eventLog.registerFails = true;
    noReport.eventLog.reportFails = true;
    for (fake::FakePlatform* failing : {&denied, &noSource, &noReport}) {
        EXPECT_FALSE(WriteEvent(failing->platform, "m", type, id, dll));
    }
    EXPECT_EQ(denied.eventLog.events.size(), 1u) << "the entry is written all the same";
    EXPECT_EQ(noSource.eventLog.deregistrations, 0);
    EXPECT_EQ(noReport.eventLog.deregistrations, 1) << "the source is closed after a failed report";
}

// A value its letter cannot hold, or an unknown hive, leaves the registry untouched.
TEST(RegistryRoutinesTable, WhatEachHiveAndLetterStores) {
    using Values = std::map<std::string, fake::RegistryValue>;
    const auto hklm = hive_key::localMachine;
    const struct {
        const char* hive;
        const char* letter;
        RegistryData value;
        std::int32_t status;
        std::uint32_t root;
        std::optional<Values> key; // nullopt: no key was created
    } cases[] = {
        {"hklm", "d", std::int32_t{7}, 0, hklm, Values{{"v", {4, {7, 0, 0, 0}}}}},
        {"Hklm", "D", true, 0, hklm, Values{{"v", {4, {0xFF, 0xFF, 0xFF, 0xFF}}}}},
        {"HKLM", "B", true, 0, hklm, Values{{"v", {3, {0xFF, 0xFF}}}}},
        {"hkcr", "b", false, 0, hive_key::classesRoot, Values{{"v", {3, {0, 0}}}}},
        {"HKDD", "S", std::string(), 0, hive_key::dynData, Values{{"v", {1, {0}}}}},
        {"HKLM", "X", std::string("x"), 0, hklm, Values{}},
        {"HKEY_LOCAL_MACHINE", "S", std::string("x"), 99, hklm, std::nullopt},
        {"HKLM", "D", std::int32_t{32768}, 13, hklm, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.hive) + " " + c.letter);
        fake::FakePlatform f;
        RegistryFacilities reg{f.registry, f.profile, f.files};
        EXPECT_EQ(WriteRegValue(reg, c.hive, "K", "v", c.letter, c.value), c.status);
        const auto key = f.registry.keys.find({c.root, "K"});
        EXPECT_EQ(key == f.registry.keys.end() ? std::nullopt : std::optional(key->second), c.key);
        EXPECT_EQ(f.registry.keys.size(), c.key ? 1u : 0u);
        if (c.key) {
            EXPECT_EQ(f.registry.calls.back(), "close");
        }
    }
}

// Errors are returned with the key closed; an existing file takes text values only.
TEST(RegistryRoutines, ErrorsAndTheInitialisationFileForm) {
    fake::FakePlatform f;
    RegistryFacilities reg{f.registry, f.profile, f.files};
    f.disk.addFile("C:\\Tools\\app.ini", "");
    EXPECT_EQ(WriteRegValue(reg, "C:\\Tools\\app.ini", "Sect", "Name", "s", std::string("v")), 0);
    EXPECT_EQ(WriteRegValue(reg, "C:\\Tools\\app.ini", "Sect", "Other", "D", std::int32_t{1}), 99);
    EXPECT_EQ(WriteRegValue(reg, "C:\\Tools\\app.ini", "Sect", "Other", "B", true), 99);
    EXPECT_EQ(f.disk.bytesOf("C:\\Tools\\app.ini"), "[Sect]\r\nName=v\r\n");
    EXPECT_TRUE(f.registry.calls.empty());
    f.registry.setValueErrors["v"] = 5;
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "v", "S", std::string("x")), 5);
    EXPECT_EQ(f.registry.calls.back(), "close");
    f.registry.createKeyError = 1010;
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "v", "S", std::string("x")), 1010);
}

// Whole blocks in order; one too long for any entry is cut over entries of its own.
TEST(EntrySplit, BlocksFillEntriesWithinTheLimit) {
    const std::string h = "HEAD\r\n";
    const std::string huge(25, 'h');
    using Entries = std::vector<std::string>;
    EXPECT_EQ(splitIntoEntries(h, {"aa", "bbbb", "cc", "dddddd", "e"}, h.size() + 6),
              (Entries{h + "aabbbb", h + "cc", h + "dddddd", h + "e"}));
    EXPECT_EQ(splitIntoEntries(h, {}, h.size() + 6), Entries{h});
    EXPECT_EQ(splitIntoEntries(h, {"a", huge, "b"}, h.size() + 10),
              (Entries{h + "a", h + huge.substr(0, 10), h + huge.substr(10, 10),
                       h + huge.substr(20), h + "b"}));
    EXPECT_EQ(splitIntoEntries(h, {"xy"}, 3), (Entries{h + "x", h + "y"}));
}

} // namespace
} // namespace vesperon
