// The device's answers, any of them: a fake SNMPv1 agent on a loopback port answers every
// request from the input, and the program identifies the device, reads its controllers and
// card table, builds every card's endpoints and probes the cross-connects of the first leaf
// of each card, through the same multi-object reads as against a real device.
//
// Each answer is built from the next bytes of the input (Script below: status, count, names and
// values); once the input runs out every answer is genErr, which ends the walk.
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
using Oid = std::vector<oid>;

// BER, as far as SNMPv1 needs it.
Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes tlv(std::uint8_t tag, const Bytes& content) {
    Bytes length{static_cast<std::uint8_t>(content.size())};
    if (content.size() >= 0x80) {
        length.clear();
        for (std::size_t n = content.size(); n != 0; n >>= 8)
            length.insert(length.begin(), static_cast<std::uint8_t>(n));
        length.insert(length.begin(), static_cast<std::uint8_t>(0x80 | length.size()));
    }
    return cat({{tag}, length, content});
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
        // As many variables as asked, one fewer, one more, or 0 to 7.
        const std::size_t n = asked.size(), way = (choice >> 3) & 3;
        const std::size_t count = way == 1   ? (n > 0 ? n - 1 : 0)
                                  : way == 2 ? n + 1
                                  : way == 3 ? next() % 8
                                             : n;
        Bytes list;
        for (std::size_t i = 0; i < count; ++i) {
            const Oid& like = asked.empty() ? Oid{1, 3} : asked[i % asked.size()];
            list = cat({list, tlv(0x30, cat({encode_oid(name(like)), value()}))});
        }
        const Bytes pdu =
            cat({integer(request_id), integer(status), integer(index), tlv(0x30, list)});
        return tlv(0x30,
                   cat({integer(0), tlv(0x04, {'p', 'u', 'b', 'l', 'i', 'c'}), tlv(0xA2, pdu)}));
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
            // The request-id and the names asked, taken apart by the library.
            u_char community[64];
            std::size_t community_length = sizeof community, size = static_cast<std::size_t>(got);
            long version = 0;
            u_char* data =
                snmp_comstr_parse(message.data(), &size, community, &community_length, &version);
            netsnmp_pdu* pdu = data != nullptr ? snmp_pdu_create(0) : nullptr;
            if (pdu != nullptr && snmp_pdu_parse(pdu, data, &size) == 0) {
                std::vector<Oid> names;
                for (const netsnmp_variable_list* v = pdu->variables; v; v = v->next_variable)
                    names.emplace_back(v->name, v->name + v->name_length);
                const Bytes answer = script.answer(pdu->reqid, names);
                sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                       length);
            }
            snmp_free_pdu(pdu);
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
