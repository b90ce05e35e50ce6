#include "eventlog/event_writer.h"
#include "eventlog/registry_routines.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

const std::pair<std::uint32_t, std::string> sourceKey{
    hive_key::localMachine, "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\Vesperon"};

std::vector<std::uint8_t> bytes(const std::string& s) {
    std::vector<std::uint8_t> out(s.begin(), s.end());
    out.push_back(0);
    return out;
}

struct EventWriter : ::testing::Test {
    fake::FakePlatform f;
    std::int32_t type = event_type::warning;
    std::int32_t id = 0;
    bool dll = false;
    bool write(const std::string& message = "msg") {
        return WriteEvent(f.platform, message, type, id, dll);
    }
};

TEST_F(EventWriter, RegistersTheSourceThenWritesOneEntry) {
    f.system.exePath = "C:\\Tools\\Nightly.exe";
    ASSERT_TRUE(write(""));
    EXPECT_EQ(id, 10177) << "the default id is written back";
    const auto& values = f.registry.keys.at(sourceKey);
    EXPECT_EQ(values.at("TypesSupported"), (fake::RegistryValue{4, {7, 0, 0, 0}}));
    EXPECT_EQ(values.at("EventMessageFile"),
              (fake::RegistryValue{1, bytes("C:\\Tools\\Nightly.exe")}));
    EXPECT_EQ(f.registry.calls,
              (std::vector<std::string>{"create", "set TypesSupported", "close", "create",
                                        "set EventMessageFile", "close"}));
    ASSERT_EQ(f.eventLog.events.size(), 1u);
    const auto& e = f.eventLog.events[0];
    EXPECT_EQ(e.source, "Vesperon") << "the source does not follow the file name";
    EXPECT_EQ(e.type, 2);
    EXPECT_EQ(e.category, 0);
    EXPECT_EQ(e.eventId, 10177u);
    EXPECT_EQ(e.strings, std::vector<std::string>{""});
    EXPECT_EQ(e.rawData, std::vector<std::uint8_t>{1});
    EXPECT_EQ(f.eventLog.deregistrations, 1);
}

TEST_F(EventWriter, GivenIdAndLibraryFlagAreUsed) {
    id = 42;
    dll = true;
    ASSERT_TRUE(write());
    EXPECT_EQ(id, 42);
    EXPECT_EQ(f.eventLog.events.at(0).eventId, 42u);
    EXPECT_EQ(f.registry.keys.at(sourceKey).at("EventMessageFile").data,
              bytes("C:\\Tools\\Vesperon.dll"));
}

TEST_F(EventWriter, FailuresDecideTheResult) {
    f.registry.setValueErrors["TypesSupported"] = 5;
    EXPECT_TRUE(write()) << "only the message file's registration matters";

    fake::FakePlatform denied;
    denied.registry.createKeyError = 5;
    EXPECT_FALSE(WriteEvent(denied.platform, "m", type, id, dll));
    ASSERT_EQ(denied.eventLog.events.size(), 1u) << "the entry is written all the same";
    EXPECT_EQ(denied.eventLog.events[0].strings, std::vector<std::string>{"m"});

    fake::FakePlatform noSource;
    noSource.eventLog.registerFails = true;
    EXPECT_FALSE(WriteEvent(noSource.platform, "m", type, id, dll));
    EXPECT_EQ(noSource.eventLog.deregistrations, 0);

    fake::FakePlatform noReport;
    noReport.eventLog.reportFails = true;
    EXPECT_FALSE(WriteEvent(noReport.platform, "m", type, id, dll));
    EXPECT_EQ(noReport.eventLog.deregistrations, 1) << "the source is closed after a failed report";
}

struct RegistryRoutines : ::testing::Test {
    fake::FakePlatform f;
    RegistryFacilities reg{f.registry, f.profile, f.files};
    std::vector<std::uint8_t> stored(const std::string& name) {
        return f.registry.keys.at({hive_key::localMachine, "K"}).at(name).data;
    }
};

TEST_F(RegistryRoutines, HiveTextsAnyCaseAndNothingElse) {
    for (const char* hive : {"hklm", "Hklm", "HKLM"}) {
        EXPECT_EQ(GetHiveKey(f.files, hive), hive_key::localMachine);
    }
    EXPECT_EQ(GetHiveKey(f.files, "hkcr"), hive_key::classesRoot);
    EXPECT_EQ(GetHiveKey(f.files, "HKDD"), hive_key::dynData);
    EXPECT_EQ(WriteRegValue(reg, "HKEY_LOCAL_MACHINE", "K", "v", "S", std::string("x")), 99);
    EXPECT_TRUE(f.registry.calls.empty());
}

TEST_F(RegistryRoutines, StoredFormsOfEachLetter) {
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "d7", "d", std::int32_t{7}), 0);
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "dm1", "D", std::int32_t{-1}), 0);
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "bt", "B", true), 0);
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "bf", "b", false), 0);
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "s", "S", std::string()), 0);
    EXPECT_EQ(stored("d7"), (std::vector<std::uint8_t>{7, 0, 0, 0}));
    EXPECT_EQ(stored("dm1"), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(stored("bt"), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(stored("bf"), (std::vector<std::uint8_t>{0, 0}));
    EXPECT_EQ(stored("s"), std::vector<std::uint8_t>{0});
}

TEST_F(RegistryRoutines, UnknownLetterOnlyOpensAndClosesTheKey) {
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "v", "X", std::string("x")), 0);
    EXPECT_EQ(f.registry.calls, (std::vector<std::string>{"create", "close"}));
    EXPECT_TRUE(f.registry.keys.at({hive_key::localMachine, "K"}).empty());
}

TEST_F(RegistryRoutines, ErrorsAreReturnedAndTheKeyStillClosed) {
    f.registry.setValueErrors["v"] = 5;
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "v", "S", std::string("x")), 5);
    EXPECT_EQ(f.registry.calls.back(), "close");
    f.registry.createKeyError = 1010;
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "v", "S", std::string("x")), 1010);
}

TEST_F(RegistryRoutines, ValueOutsideItsLetterIsRefusedUntouched) {
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "v", "D", std::int32_t{32768}), 13);
    EXPECT_EQ(WriteRegValue(reg, "HKLM", "K", "v", "B", std::string("maybe")), 13);
    EXPECT_TRUE(f.registry.calls.empty());
}

TEST_F(RegistryRoutines, ExistingFileSelectsTheInitialisationFileForm) {
    f.disk.addFile("C:\\Tools\\app.ini", "");
    EXPECT_EQ(WriteRegValue(reg, "C:\\Tools\\app.ini", "Sect", "Name", "s", std::string("v")), 0);
    EXPECT_EQ(f.disk.bytesOf("C:\\Tools\\app.ini"), "[Sect]\r\nName=v\r\n");
    EXPECT_EQ(WriteRegValue(reg, "C:\\Tools\\app.ini", "Sect", "Other", "D", std::int32_t{1}), 99);
    EXPECT_EQ(WriteRegValue(reg, "C:\\Tools\\app.ini", "Sect", "Other", "B", true), 99);
    EXPECT_EQ(f.disk.bytesOf("C:\\Tools\\app.ini"), "[Sect]\r\nName=v\r\n");
    EXPECT_TRUE(f.registry.calls.empty());
}

} // namespace
} // namespace vesperon
