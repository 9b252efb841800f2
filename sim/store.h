#pragma once
// The simulator's object store: every object of the simulated device, keyed by its full
// object identifier, with the rule that decides what a SET may write into it.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vornex::sim {

using Oid = std::vector<std::uint32_t>;

// Dotted numeric text, with or without a leading dot. Nothing else (no MIB names).
std::optional<Oid> parse_oid(std::string_view text);
std::string oid_text(const Oid& oid);
bool has_prefix(const Oid& oid, const Oid& prefix);
Oid operator+(const Oid& a, const Oid& b);

enum class Type { integer, octets, object_id, timeticks, ip_address };

struct Value {
    Type type = Type::integer;
    std::int64_t number = 0; // integer, timeticks
    std::string text;        // octets; an IpAddress as dotted text
    Oid oid;                 // object_id

    static Value integer(std::int64_t n) { return {Type::integer, n, {}, {}}; }
    static Value octets(std::string s) { return {Type::octets, 0, std::move(s), {}}; }
    static Value object_id(Oid o) { return {Type::object_id, 0, {}, std::move(o)}; }
    static Value ip_address(std::string dotted) {
        return {Type::ip_address, 0, std::move(dotted), {}};
    }
    bool operator==(const Value&) const = default;
};

// Typed text, the form tests and the control channel use: "i:5" (INTEGER), "s:text" (OCTET
// STRING, the rest of the text as it stands), "o:1.3.6.1" (OBJECT IDENTIFIER), "t:100"
// (TimeTicks), "a:127.0.0.1" (IpAddress). The letters are the ones snmpset uses.
std::optional<Value> parse_typed(std::string_view text);
std::string typed_text(const Value& value);

// What a SET may store in an object. Read-only objects refuse every write.
struct Rule {
    bool writable = false;
    std::vector<std::int64_t> allowed; // INTEGER: the allowed values; empty means [min, max]
    std::int64_t min = std::numeric_limits<std::int32_t>::min();
    std::int64_t max = std::numeric_limits<std::int32_t>::max();
    std::size_t max_length = 255; // OCTET STRING

    static Rule read_only() { return {}; }
    static Rule range(std::int64_t lo, std::int64_t hi) { return {true, {}, lo, hi, 255}; }
    static Rule one_of(std::vector<std::int64_t> values) {
        return {true, std::move(values), 0, 0, 255};
    }
    static Rule text(std::size_t max_length) { return {true, {}, 0, 0, max_length}; }
};

struct Object {
    Value value;
    Rule rule;
};

enum class WriteCheck { ok, no_such_object, not_writable, wrong_type, wrong_value, wrong_length };

class Store {
public:
    // Defines an object, or redefines it (value and rule) when it exists.
    void put(const Oid& oid, Value value, Rule rule);
    // Removes every object whose identifier starts with `prefix`.
    void erase_prefix(const Oid& prefix);

    const Object* find(const Oid& oid) const;
    // The first object after `oid` in lexicographic order, or null.
    const std::pair<const Oid, Object>* next(const Oid& oid) const;

    WriteCheck check_write(const Oid& oid, const Value& value) const;
    // Stores a value without the write rule (for scenario overrides and tests). False when
    // the object does not exist or the type differs from the object's.
    bool assign(const Oid& oid, const Value& value);

    const std::map<Oid, Object>& objects() const { return objects_; }

private:
    std::map<Oid, Object> objects_;
};

} // namespace vornex::sim
