// The device's answers, any of them: a fake SNMPv1 agent on a loopback port answers every
// request from the input, and the program identifies the device, reads its controllers and
// card table, builds every card's endpoints and probes the cross-connects of the first leaf
// of each card, through the same multi-object reads as against a real device.
//
// Each answer takes from the input: the error-status and error-index, how many variables it
// holds, and for each its name (the one asked, the one asked with a sub-identifier more, a
// shorter one, one with a larger last sub-identifier, or any name of up to 128
// sub-identifiers) and its value (INTEGER, OCTET STRING, OBJECT IDENTIFIER, NULL, an SNMPv2
// exception or Counter32, of any length the library accepts). When the input runs out every answer
// is genErr, which ends the walk.
#include "device/box.h"
#include "device/model_steps.h"
#include "fuzz_support.h"
#include "model/card.h"
#include "snmp/snmp_library.h"
#include "udp_port.h"
#include "xc/xc_probe.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace {

using namespace vornex;
using Bytes = std::vector<std::uint8_t>;
using Oid = std::vector<std::uint32_t>;

// BER, as far as SNMPv1 needs it.
void put_length(Bytes& out, std::size_t length) {
    if (length < 0x80) {
        out.push_back(static_cast<std::uint8_t>(length));
        return;
    }
    Bytes digits;
    for (; length != 0; length >>= 8)
        digits.insert(digits.begin(), static_cast<std::uint8_t>(length));
    out.push_back(static_cast<std::uint8_t>(0x80 | digits.size()));
    out.insert(out.end(), digits.begin(), digits.end());
}

Bytes tlv(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    put_length(out, content.size());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes integer(long value) {
    Bytes content;
    for (int i = 3; i >= 0; --i)
        content.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return tlv(0x02, content);
}

Bytes encode_oid(const Oid& name) {
    Bytes content;
    if (name.size() >= 2)
        content.push_back(static_cast<std::uint8_t>(name[0] * 40 + name[1]));
    for (std::size_t i = 2; i < name.size(); ++i) {
        Bytes digits{static_cast<std::uint8_t>(name[i] & 0x7f)};
        for (std::uint32_t rest = name[i] >> 7; rest != 0; rest >>= 7)
            digits.insert(digits.begin(), static_cast<std::uint8_t>(0x80 | (rest & 0x7f)));
        content.insert(content.end(), digits.begin(), digits.end());
    }
    return tlv(0x06, content);
}

// Reads one element at `at`: its tag and content; false when the bytes end first.
bool element(const Bytes& in, std::size_t& at, std::uint8_t& tag, Bytes& content) {
    if (at + 2 > in.size())
        return false;
    tag = in[at++];
    std::size_t length = in[at++];
    if (length & 0x80) {
        const std::size_t digits = length & 0x7f;
        length = 0;
        for (std::size_t i = 0; i < digits && at < in.size(); ++i)
            length = length << 8 | in[at++];
    }
    if (length > in.size() - at)
        return false;
    content.assign(in.begin() + static_cast<long>(at), in.begin() + static_cast<long>(at + length));
    at += length;
    return true;
}

Oid decode_oid(const Bytes& content) {
    Oid name;
    if (content.empty())
        return name;
    name = {content[0] / 40u, content[0] % 40u};
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < content.size(); ++i) {
        value = value << 7 | (content[i] & 0x7f);
        if (!(content[i] & 0x80)) {
            name.push_back(value);
            value = 0;
        }
    }
    return name;
}

// The request-id and the names of a request; false when it is no SNMPv1 request.
bool parse_request(const Bytes& message, long& request_id, std::vector<Oid>& names) {
    std::uint8_t tag = 0;
    Bytes body, part, pdu;
    std::size_t at = 0;
    if (!element(message, at, tag, body))
        return false;
    at = 0;
    if (!element(body, at, tag, part) || !element(body, at, tag, part) ||
        !element(body, at, tag, pdu))
        return false;
    at = 0;
    if (!element(pdu, at, tag, part))
        return false;
    request_id = 0;
    for (std::uint8_t b : part)
        request_id = request_id << 8 | b;
    if (!element(pdu, at, tag, part) || !element(pdu, at, tag, part) ||
        !element(pdu, at, tag, part))
        return false;
    const Bytes list = part;
    at = 0;
    while (element(list, at, tag, part)) {
        std::size_t inner = 0;
        Bytes name;
        if (element(part, inner, tag, name))
            names.push_back(decode_oid(name));
    }
    return true;
}

// The input, handed out a byte at a time; zeros once it is used up.
class Script {
public:
    void reset(const std::uint8_t* data, std::size_t size) {
        std::lock_guard lock(mutex_);
        data_.assign(data, data + size);
        at_ = 0;
    }
    // The answer to a request, built from the next bytes of the input.
    Bytes answer(long request_id, const std::vector<Oid>& asked) {
        std::lock_guard lock(mutex_);
        const bool used_up = at_ >= data_.size();
        const std::uint8_t choice = next();
        static const long statuses[8] = {0, 0, 0, 0, 2, 5, 3, 18};
        const long status = used_up ? 5 : statuses[choice & 7];
        const long index = next() % (asked.size() + 2);
        std::size_t count = asked.size();
        switch ((choice >> 3) & 3) {
        case 1:
            count = count > 0 ? count - 1 : 0;
            break;
        case 2:
            ++count;
            break;
        case 3:
            count = next() % 8;
            break;
        }
        Bytes list;
        for (std::size_t i = 0; i < count; ++i) {
            Bytes variable = encode_oid(name(asked.empty() ? Oid{1, 3} : asked[i % asked.size()]));
            const Bytes value = this->value();
            variable.insert(variable.end(), value.begin(), value.end());
            const Bytes wrapped = tlv(0x30, variable);
            list.insert(list.end(), wrapped.begin(), wrapped.end());
        }
        Bytes pdu = integer(request_id);
        for (const Bytes& part : {integer(status), integer(index), tlv(0x30, list)})
            pdu.insert(pdu.end(), part.begin(), part.end());
        Bytes message = integer(0);
        for (const Bytes& part : {tlv(0x04, Bytes{'p', 'u', 'b', 'l', 'i', 'c'}), tlv(0xA2, pdu)})
            message.insert(message.end(), part.begin(), part.end());
        return tlv(0x30, message);
    }

private:
    std::uint8_t next() { return at_ < data_.size() ? data_[at_++] : 0; }

    Oid name(Oid asked) {
        switch (next() % 8) {
        case 4: // the next row of a table
            asked.push_back(next());
            break;
        case 5:
            asked.resize(std::max<std::size_t>(2, next() % (asked.size() + 1)));
            break;
        case 6:
            if (!asked.empty())
                asked.back() += 1 + next();
            break;
        case 7: {
            asked.assign({1, 3});
            for (std::size_t n = next() % 127; n > 0; --n)
                asked.push_back(next() * 0x1010101u);
            break;
        }
        default: // the object asked, most of the time
            break;
        }
        return asked;
    }

    // Values the library can take apart: an answer it cannot parse would only be lost,
    // and the walk would wait for its time-out.
    Bytes value() {
        const std::uint8_t kind = next();
        const std::size_t length = kind >> 3; // 0 to 31
        Bytes content;
        switch (kind & 7) {
        case 0:
        case 1: // INTEGER, 1 to 8 bytes
            for (std::size_t n = 1 + length % 8; n > 0; --n)
                content.push_back(next());
            return tlv(0x02, content);
        case 2:
        case 3:
            for (std::size_t n = length * (kind & 1 ? 9 : 1); n > 0; --n)
                content.push_back(next());
            return tlv(0x04, content);
        case 4: {
            Oid name{1, 3, 6, 1, 4, 1, 823, 4150};
            name.resize(std::max<std::size_t>(2, length));
            for (std::size_t i = 8; i < name.size(); ++i)
                name[i] = next() * 0x1010101u;
            return encode_oid(name);
        }
        case 5:
            return tlv(0x05, {});
        case 6: // noSuchObject, noSuchInstance, endOfMibView
            return tlv(static_cast<std::uint8_t>(0x80 | length % 3), {});
        default: // Counter32
            for (std::size_t n = 1 + length % 5; n > 0; --n)
                content.push_back(next());
            return tlv(0x41, content);
        }
    }

    std::mutex mutex_;
    Bytes data_;
    std::size_t at_ = 0;
};

// The fake agent: answers every request on its port from the script until destroyed.
class Agent {
public:
    Agent() : fd_(test::bind_udp(INADDR_LOOPBACK, port_)) {
        thread_ = std::thread([this] { serve(); });
    }
    ~Agent() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    std::string peer() const { return "127.0.0.1:" + std::to_string(port_); }
    Script script;

private:
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            Bytes message(65536);
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t got = recvfrom(fd_, message.data(), message.size(), 0,
                                         reinterpret_cast<sockaddr*>(&from), &length);
            if (got <= 0)
                continue;
            message.resize(static_cast<std::size_t>(got));
            long request_id = 0;
            std::vector<Oid> names;
            if (!parse_request(message, request_id, names))
                continue;
            const Bytes answer = script.answer(request_id, names);
            sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                   length);
        }
    }

    std::uint16_t port_ = 0;
    int fd_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::unique_ptr<Agent> agent;

netsnmp_session* open_session(const std::string& peer, const char* community) {
    netsnmp_session prepared;
    snmp_sess_init(&prepared);
    std::string name = peer;
    prepared.peername = name.data();
    prepared.version = SNMP_VERSION_1;
    prepared.community = reinterpret_cast<u_char*>(const_cast<char*>(community));
    prepared.community_len = std::strlen(community);
    prepared.retries = 0;
    prepared.timeout = 50'000; // only an answer the library refuses waits for it
    return snmp_open_counted(&prepared);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    snmp_library_init();
    agent = std::make_unique<Agent>();
    std::atexit([] { agent.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    agent->script.reset(data, size);
    fuzz::QuietPresenter presenter;
    Box box(presenter);
    box.get_session = open_session(agent->peer(), "public");
    box.set_session = open_session(agent->peer(), "private");
    if (box.get_session == nullptr || box.set_session == nullptr)
        __builtin_trap();
    if (get_chassis({}, box) != 0) {
        // Go on with the device the answers failed to identify, as far as they let it.
        static const oid root[] = {1, 3, 6, 1, 4, 1, 823, 4150};
        std::copy(std::begin(root), std::end(root), box.root.begin());
        box.root_len = 8;
        box.model = &device_models[0];
    }
    box.displayed_map = 1;
    get_controllers(box);
    if (read_cards(box) == 0) {
        ModelSteps(box).run();
        for (const auto& card : box.cards) {
            HsEntry* leaf = card->endpoints.empty() ? nullptr : card->endpoints.front().get();
            while (leaf != nullptr && !leaf->is_leaf())
                leaf = leaf->children.front().get();
            if (leaf != nullptr)
                xc_probe(box, *leaf);
        }
    }
    return 0;
}
