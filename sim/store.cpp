#include "store.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>

namespace vornex::sim {

std::optional<Oid> parse_oid(std::string_view text) {
    if (!text.empty() && text.front() == '.')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    Oid oid;
    while (true) {
        std::uint32_t sub = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), sub);
        if (ec != std::errc() || end == text.data())
            return std::nullopt;
        oid.push_back(sub);
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        if (text.empty())
            return oid;
        if (text.front() != '.' || text.size() == 1)
            return std::nullopt;
        text.remove_prefix(1);
    }
}

std::string oid_text(const Oid& oid) {
    std::string out;
    for (std::size_t i = 0; i < oid.size(); ++i) {
        if (i)
            out += '.';
        out += std::to_string(oid[i]);
    }
    return out;
}

bool has_prefix(const Oid& oid, const Oid& prefix) {
    return oid.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), oid.begin());
}

Oid operator+(const Oid& a, const Oid& b) {
    Oid out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

std::optional<Value> parse_typed(std::string_view text) {
    if (text.size() < 2 || text[1] != ':')
        return std::nullopt;
    const char letter = text[0];
    text.remove_prefix(2);
    auto number = [&](Type type) -> std::optional<Value> {
        std::int64_t n = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
        if (ec != std::errc() || end != text.data() + text.size() || text.empty())
            return std::nullopt;
        return Value{type, n, {}, {}};
    };
    switch (letter) {
    case 'i':
        return number(Type::integer);
    case 't':
        return number(Type::timeticks);
    case 's':
        return Value::octets(std::string(text));
    case 'a': {
        in_addr address{};
        if (inet_pton(AF_INET, std::string(text).c_str(), &address) != 1)
            return std::nullopt;
        return Value::ip_address(std::string(text));
    }
    case 'o':
        if (auto oid = parse_oid(text))
            return Value::object_id(*oid);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::string typed_text(const Value& value) {
    switch (value.type) {
    case Type::integer:
        return "i:" + std::to_string(value.number);
    case Type::timeticks:
        return "t:" + std::to_string(value.number);
    case Type::octets:
        return "s:" + value.text;
    case Type::object_id:
        return "o:" + oid_text(value.oid);
    case Type::ip_address:
        return "a:" + value.text;
    }
    return {};
}

void Store::put(const Oid& oid, Value value, Rule rule) {
    objects_[oid] = Object{std::move(value), std::move(rule)};
}

void Store::erase_prefix(const Oid& prefix) {
    auto it = objects_.lower_bound(prefix);
    while (it != objects_.end() && has_prefix(it->first, prefix))
        it = objects_.erase(it);
}

const Object* Store::find(const Oid& oid) const {
    auto it = objects_.find(oid);
    return it == objects_.end() ? nullptr : &it->second;
}

const std::pair<const Oid, Object>* Store::next(const Oid& oid) const {
    auto it = objects_.upper_bound(oid);
    return it == objects_.end() ? nullptr : &*it;
}

WriteCheck Store::check_write(const Oid& oid, const Value& value) const {
    const Object* object = find(oid);
    if (!object)
        return WriteCheck::no_such_object;
    const Rule& rule = object->rule;
    if (!rule.writable)
        return WriteCheck::not_writable;
    if (value.type != object->value.type)
        return WriteCheck::wrong_type;
    switch (value.type) {
    case Type::integer:
    case Type::timeticks:
        if (rule.allowed.empty() ? (value.number < rule.min || value.number > rule.max)
                                 : std::find(rule.allowed.begin(), rule.allowed.end(),
                                             value.number) == rule.allowed.end())
            return WriteCheck::wrong_value;
        return WriteCheck::ok;
    case Type::octets:
        return value.text.size() > rule.max_length ? WriteCheck::wrong_length : WriteCheck::ok;
    case Type::object_id:
    case Type::ip_address:
        return WriteCheck::ok;
    }
    return WriteCheck::ok;
}

bool Store::assign(const Oid& oid, const Value& value) {
    auto it = objects_.find(oid);
    if (it == objects_.end() || it->second.value.type != value.type)
        return false;
    it->second.value = value;
    return true;
}

} // namespace vornex::sim
