// The simulator's device model without SNMP: typed values, write rules, scenarios, and the
// objects that follow a card's settings.

#include "device.h"
#include "scratch_files.h"

#include <gtest/gtest.h>

namespace vornex::sim {
namespace {

std::optional<Device> load_text(const std::string& text, std::string& error) {
    const test::ScratchDir dir;
    test::write_file(dir / "s.json", text);
    return Device::load((dir / "s.json").string(), error);
}

Device must_load(const std::string& name) {
    std::string error;
    auto d = Device::load(std::string(VORNEX_SIM_SCENARIOS) + "/" + name + ".json", error);
    EXPECT_TRUE(d) << error;
    return d ? std::move(*d) : Device{};
}

std::size_t count_under(const Device& d, const std::string& prefix) {
    const Oid p = *d.resolve(prefix);
    std::size_t n = 0;
    for (const auto& [oid, object] : d.store().objects())
        n += has_prefix(oid, p) ? 1 : 0;
    return n;
}

std::string value(const Device& d, const std::string& oid) {
    const Object* o = d.store().find(*d.resolve(oid));
    return o ? typed_text(o->value) : "(none)";
}

TEST(TypedText, ParsesAndPrintsEveryType) {
    for (const std::string text : {"i:-5", "s:", "s: V2.15.02 ", "o:1.3.6.1.4.1.823.4150", "t:100"})
        EXPECT_EQ(typed_text(*parse_typed(text)), text);
    for (const std::string bad : {"", "i", "i:", "i:5x", "x:1", "o:1..3", "o:", "t:abc"})
        EXPECT_FALSE(parse_typed(bad)) << bad;
    EXPECT_FALSE(parse_oid("1.3."));
    EXPECT_EQ(parse_oid(".1.3.6"), (Oid{1, 3, 6}));
}

TEST(WriteRules, RefuseWhatTheObjectCannotHold) {
    Store s;
    s.put({1}, Value::integer(1), Rule::one_of({1, 2}));
    s.put({2}, Value::integer(0), Rule::range(0, 255));
    s.put({3}, Value::octets(""), Rule::text(3));
    s.put({4}, Value::integer(7), Rule::read_only());
    EXPECT_EQ(s.check_write({1}, Value::integer(2)), WriteCheck::ok);
    EXPECT_EQ(s.check_write({1}, Value::integer(3)), WriteCheck::wrong_value);
    EXPECT_EQ(s.check_write({1}, Value::octets("2")), WriteCheck::wrong_type);
    EXPECT_EQ(s.check_write({2}, Value::integer(256)), WriteCheck::wrong_value);
    EXPECT_EQ(s.check_write({2}, Value::integer(255)), WriteCheck::ok);
    EXPECT_EQ(s.check_write({3}, Value::octets("abcd")), WriteCheck::wrong_length);
    EXPECT_EQ(s.check_write({4}, Value::integer(7)), WriteCheck::not_writable);
    EXPECT_EQ(s.check_write({5}, Value::integer(7)), WriteCheck::no_such_object);
    EXPECT_FALSE(s.assign({3}, Value::integer(1))) << "assign keeps the object's type";
}

TEST(Scenario, EverySlotHasACardRowAndLeftOutSlotsAreEmpty) {
    const Device d = must_load("small");
    for (int slot = 1; slot <= 8; ++slot)
        for (int column : {2, 4, 5, 9})
            EXPECT_NE(value(d, "R.1.1.1." + std::to_string(column) + "." + std::to_string(slot)),
                      "(none)");
    EXPECT_EQ(value(d, "R.1.1.1.4.1"), "i:2");
    EXPECT_EQ(value(d, "R.1.1.1.4.2"), "i:1");
    EXPECT_EQ(value(d, "R.1.1.1.9.2"), "i:3");
}

TEST(Consistency, T3ChannelsFollowTheLineType) {
    Device d = must_load("demo");
    const Oid type = *d.resolve("R.5.1.1.1.4.5.1");
    ASSERT_TRUE(d.store().assign(*d.resolve("R.5.1.2.2.1.5.5.1.3"), Value::integer(2)));
    ASSERT_TRUE(d.store().assign(type, Value::integer(5))); // MX3-T1 -> C-Bit-T1
    d.follow(type);
    EXPECT_EQ(value(d, "R.5.1.2.2.1.5.5.1.3"), "i:2") << "same family keeps channel settings";
    ASSERT_TRUE(d.store().assign(type, Value::integer(6))); // -> C-Bit-E1
    d.follow(type);
    EXPECT_EQ(count_under(d, "R.5.1.2.2.1.4.5.1"), 0u);
    EXPECT_EQ(count_under(d, "R.5.1.2.1.1.4.5.1"), 21u);
    EXPECT_EQ(count_under(d, "R.5.1.2.2.1.4.5.2"), 0u) << "other ports untouched";
    EXPECT_EQ(count_under(d, "R.5.1.2.1.1.4.5.2"), 21u);
}

TEST(Consistency, LowOrderPathsFollowGranularityAndKinds) {
    Device d = must_load("demo");
    const Oid kind3 = *d.resolve("R.2.1.1.7.6.1.1");
    ASSERT_TRUE(d.store().assign(*d.resolve("R.2.27.1.10.6.1.1.1.1.1"), Value::integer(2)));
    ASSERT_TRUE(d.store().assign(kind3, Value::integer(5))); // TU11 -> TU12 on node 3
    d.follow(kind3);
    EXPECT_EQ(count_under(d, "R.2.27.1.9.6.1.1"), 0u);
    EXPECT_EQ(count_under(d, "R.2.27.1.8.6.1.1"), 63u);
    EXPECT_EQ(value(d, "R.2.27.1.10.6.1.1.1.1.1"), "i:2") << "untouched path keeps its setting";
    const Oid granularity = *d.resolve("R.2.1.1.4.6.1.1");
    ASSERT_TRUE(d.store().assign(granularity, Value::integer(2)));
    d.follow(granularity);
    EXPECT_EQ(count_under(d, "R.2.2.3.1.7.6.1.1"), 0u);
    EXPECT_EQ(value(d, "R.2.2.2.1.5.6.1.1.100"), "i:1") << "the VC4 keeps its HO overhead";
}

TEST(Commands, ClearTakesTheUnframedSignalAs100Only) {
    Device d = must_load("demo");
    const std::string row = "R.1.16.3.1.9.1.1.3.100.100.100.1"; // Trib1 Port-03, unframed
    const auto clear = [&](int index) {
        const int values[] = {1, 1, 3, 100, 100, 100, index, 1, 1, 2};
        for (int c = 1; c <= 10; ++c)
            EXPECT_TRUE(d.store().assign(*d.resolve("R.1.16.2." + std::to_string(c) + ".0"),
                                         Value::integer(values[c - 1])));
        d.follow(*d.resolve("R.1.16.2.10.0"));
        return value(d, "R.1.16.2.11.0");
    };
    EXPECT_EQ(clear(1), "i:25"); // clear-xc-fail
    EXPECT_NE(value(d, row), "(none)");
    EXPECT_EQ(clear(100), "i:1");
    EXPECT_EQ(value(d, row), "(none)");
}

TEST(Scenario, BadFilesAreRefusedWithTheReason) {
    std::string error;
    EXPECT_FALSE(Device::load("/nonexistent/x.json", error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    const std::pair<const char*, const char*> bad[] = {
        {R"({"sys_object_id": "1.3.6.1.4.1.823.4150.1"})", "8 or 10"},
        {R"({"cards": [{"slot": 9, "type": "E1-NP"}]})", "slot"},
        {R"({"cards": [{"slot": 1, "type": "E9-XX"}]})", "E9-XX"},
        {R"({"cards": [)", ""}};
    for (const auto& [text, reason] : bad) {
        EXPECT_FALSE(load_text(text, error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    EXPECT_TRUE(load_text(R"({"sys_object_id": "1.3.6.1.4.1.823.4150.2.1"})", error)) << error;
}

TEST(Scenario, ObjectsOverrideGeneratedValuesAndAddNewOnes) {
    std::string error;
    auto d = load_text(R"({"cards": [{"slot": 1, "type": "T1-NP", "ports": 1}],
                           "objects": {"R.4.1.1.1.5.1.1": "i:1", "R.1.16.4.4.0": "i:2"}})",
                       error);
    ASSERT_TRUE(d) << error;
    EXPECT_EQ(value(*d, "R.4.1.1.1.5.1.1"), "i:1");
    EXPECT_EQ(value(*d, "R.1.16.4.4.0"), "i:2");
    EXPECT_EQ(d->store().check_write(*d->resolve("R.4.1.1.1.5.1.1"), Value::integer(3)),
              WriteCheck::wrong_value)
        << "an override keeps the object's rule";
}

} // namespace
} // namespace vornex::sim
