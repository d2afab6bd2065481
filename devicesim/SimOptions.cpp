// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicesim/SimOptions.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace devicesim {

std::string UsageText() {
    return R"(Usage: horlo-devicesim [OPTIONS] --listen ADDR:PORT [DEVICE OPTIONS] [--listen ADDR:PORT ...]

Simulated Horlo door devices speaking the UDP device protocol. One process serves
one device per --listen. Options given before the first --listen apply to every
device; options after a --listen apply to that device only. Every device answers
from a socket bound to its own ADDR:PORT (with address and port reuse, so a module
bound to 0.0.0.0 on the same port can run beside it) and replies to the address and
port each request came from. Stop it with Ctrl-C (SIGINT) or SIGTERM.

General:
  --help                      show this text and exit
  --version                   show the version and exit
  --trace FILE                write one line per received request to FILE
  --exit-after SECONDS        stop after SECONDS instead of waiting for a signal

Device:
  --listen ADDR:PORT          add a device bound to ADDR:PORT, e.g. 127.0.0.2:5001
  --model TEXT                model text of the device information (default Koldar);
                              a text containing "Tarmisoni" is sent in layout B,
                              any other text in layout A ("Koldar")
  --memory BYTES              memory size reported and held (default 32768, at most
                              16777215); the image is a 128-byte header, the user
                              records (21 bytes each) and the log slots (15 bytes each)
  --users N                   number of user records (default 100)
  --log-slots N               number of log slots reported (default: as many as fit
                              in the memory after the user records); the log is a
                              ring and record indexes keep increasing from 1
  --relay-delays R1,R2        relay delays reported to GetRelayDelays (default 5,5)
  --card TICKET:CODE[:inactive]
                              keep a card record under access ticket TICKET with card
                              code CODE, active unless ":inactive" (repeatable)
  --swipes FROM..TO           log swipes on the work days (Monday to Friday) from FROM
                              to TO inclusive (dates yyyy-mm-dd): an arrival between
                              07:30 and 09:00 and a departure between 15:30 and 17:00,
                              with jitter fixed by --seed
  --swipe-tickets LIST        tickets that swipe, comma separated; logged as types 5
                              (arrival) and 10 (departure) with the ticket in the card
                              field (default: the tickets of every --card)
  --swipe-codes LIST          card codes that swipe, comma separated; logged as types
                              15 (arrival) and 16 (departure) with the card code
  --swipe-file FILE           append the records of FILE, one a line:
                              "yyyy-mm-dd hh:mm:ss TYPE CARD [INDEX [SLOT]]"; "#" starts
                              a comment; without INDEX (or with 0) the next index is used;
                              with SLOT the record is written into that log slot exactly
                              as given (index 0 and impossible dates included) and the
                              ring goes on where it was: a log laid out any way;
                              records from a file are not checked against the cards
  --live-swipes MS            every MS milliseconds the next kept card swipes at the
                              device clock (which SetClock moves), alternately arriving
                              and leaving
  --seed N                    seed of the swipe jitter and of the faults (default 1)

  Only active kept cards are admitted: a planned or live swipe of an unknown or
  withdrawn card is not logged. SetUserRecord keeps or replaces the record of its
  ticket (withdrawal is the same record with the active flag cleared); a device
  whose user records are all taken answers N O.

Faults (deterministic for a given --seed):
  --drop P                    do not send a reply, with probability P (0 to 1)
  --corrupt P                 send a reply with a wrong checksum, with probability P
  --delay MS[:P]              hold a reply back MS milliseconds (with probability P,
                              default 1)
  --duplicate MS[:P]          send a second copy of a reply MS milliseconds after it
                              (with probability P, default 1)
  --silent                    never reply
  --silent-after N            reply to the first N answered requests, then never again
  --refuse-cards              answer SetUserRecord with N O and keep nothing
  --no-echo                   leave the command bytes (6-7) of every reply empty
  --silent-commands LIST      carry out these commands but never answer them, e.g.
                              GD for a device that never reports its relay delays
  --refuse-commands LIST      answer these commands with N O and do not carry them
                              out, e.g. ST,SD
  --fault-commands LIST       apply --drop, --corrupt, --delay and --duplicate only to
                              these commands, e.g. GB,GE (default: all)

Scripted faults, per memory block B (repeatable). Each fires on the first request for
block B after every answered GE, so once per download (which starts with GE); a
re-read of B is answered normally. The replies they send are not touched by --drop,
--corrupt, --delay, --duplicate or --fault-commands; the trace line of the request
names each one that fired ("scripted hold 5:300").
  --lose-then-copy B:MS       do not answer block B; MS milliseconds after the request
                              send a copy of the last reply the device sent before
                              (to whichever request) instead
  --stale-first B:SRC:MS      answer block B at once with the reply of block SRC (as
                              the memory holds it then), then with the real reply MS
                              milliseconds later
  --answer-twice B[:MS]       answer block B, and again MS milliseconds later
                              (default 0)
  --hold B:MS                 hold the reply to block B back MS milliseconds
  --swipe-during B[:COUNT]    log COUNT records (default 1) before answering block B:
                              the first kept card (or ticket 1) arriving and leaving
                              by turns at the device clock

Commands answered: GE device information, GB memory block (64 bytes from block
index * 64; zeros beyond the memory), GD relay delays, SD relay mode, ST clock,
SE user record. Requests with a bad checksum or shorter than 76 bytes are ignored.

The trace line of every ST, SD and SE request ends with what the device then holds
("| state: clock +0 s, relay mode 2, delays 5,5, cards 7:1001 8:1002:inactive"),
and when the simulator stops it writes one "final" line per device with the same.
)";
}

namespace {

[[noreturn]] void Fail(const std::string& option, const std::string& why) {
    throw std::invalid_argument(option + ": " + why);
}

unsigned long long Number(const std::string& option, const std::string& text, unsigned long long max) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        Fail(option, "expected a number, got \"" + text + "\"");
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || v > max) Fail(option, "number out of range: " + text);
    return v;
}

double Probability(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double p = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(p >= 0 && p <= 1)) Fail(option, "expected a probability 0..1");
    return p;
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, sep);)
        parts.push_back(part);
    if (!text.empty() && text.back() == sep) parts.emplace_back();
    return parts;
}

TNaiveTime Date(const std::string& option, const std::string& text) {
    const auto parts = Split(text, '-');
    if (parts.size() != 3) Fail(option, "expected a date yyyy-mm-dd, got \"" + text + "\"");
    const auto y = Number(option, parts[0], 9999), m = Number(option, parts[1], 12),
               d = Number(option, parts[2], 31);
    if (y < 2000 || y > 2255 || m < 1 || d < 1) Fail(option, "date out of range: " + text);
    return MakeNaiveTime(int(y), unsigned(m), unsigned(d));
}

std::vector<std::uint32_t> NumberList(const std::string& option, const std::string& text) {
    std::vector<std::uint32_t> out;
    for (const std::string& item : Split(text, ','))
        out.push_back(std::uint32_t(Number(option, item, 0xFFFFFFFFull)));
    return out;
}

// The numbers of a scripted fault ("B:MS" and the like); a missing last one is `fallback`.
std::vector<std::uint32_t> FaultNumbers(const std::string& option, const std::string& text, std::size_t count,
                                        std::optional<std::uint32_t> fallback, const char* form) {
    const auto parts = Split(text, ':');
    if (parts.size() != count && !(fallback && parts.size() + 1 == count))
        Fail(option, std::string("expected ") + form);
    std::vector<std::uint32_t> out;
    for (const std::string& part : parts)
        out.push_back(std::uint32_t(Number(option, part, 0xFFFFFFFFull)));
    if (out.size() < count) out.push_back(*fallback);
    return out;
}

int Millis(const std::string& option, std::uint32_t ms) {
    if (ms > 600000) Fail(option, "at most 600000 milliseconds");
    return int(ms);
}

struct TPendingDevice {
    TDeviceConfig config;
    std::optional<std::pair<TNaiveTime, TNaiveTime>> period;
    std::optional<std::vector<std::uint32_t>> tickets;
    std::vector<std::uint32_t> codes;
};

} // namespace

TSimOptions ParseOptions(const std::vector<std::string>& args) {
    TSimOptions options;
    TPendingDevice defaults;
    std::vector<TPendingDevice> devices;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = option.substr(eq + 1);
            option.erase(eq);
        }
        const auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) Fail(option, "missing value");
            return args[++i];
        };
        TPendingDevice& d = devices.empty() ? defaults : devices.back();
        TDeviceConfig& c = d.config;

        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else if (option == "--trace") {
            options.traceFile = value();
        } else if (option == "--exit-after") {
            const std::string v = value();
            char* end = nullptr;
            options.exitAfterSeconds = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(options.exitAfterSeconds > 0))
                Fail(option, "expected seconds > 0");
        } else if (option == "--listen") {
            const std::string v = value();
            const auto colon = v.rfind(':');
            if (colon == std::string::npos || colon == 0)
                Fail(option, "expected ADDR:PORT, got \"" + v + "\"");
            devices.push_back(defaults);
            devices.back().config.address = v.substr(0, colon);
            devices.back().config.port = int(Number(option, v.substr(colon + 1), 65535));
        } else if (option == "--model") {
            c.model = value();
        } else if (option == "--memory") {
            c.memorySize = std::uint32_t(Number(option, value(), 0xFFFFFF));
        } else if (option == "--users") {
            c.users = std::uint16_t(Number(option, value(), 0xFFFF));
        } else if (option == "--log-slots") {
            c.logSlots = std::uint32_t(Number(option, value(), 0xFFFFFFFFull));
        } else if (option == "--relay-delays") {
            const auto parts = Split(value(), ',');
            if (parts.size() != 2) Fail(option, "expected R1,R2");
            c.delayR1 = std::uint8_t(Number(option, parts[0], 255));
            c.delayR2 = std::uint8_t(Number(option, parts[1], 255));
        } else if (option == "--card") {
            const auto parts = Split(value(), ':');
            if (parts.size() < 2 || parts.size() > 3 || (parts.size() == 3 && parts[2] != "inactive"))
                Fail(option, "expected TICKET:CODE or TICKET:CODE:inactive");
            const auto ticket = std::uint32_t(Number(option, parts[0], 0xFFFFFFFFull));
            if (ticket == 0) Fail(option, "ticket 0 is not a card");
            c.cards.push_back(
                {ticket, std::uint32_t(Number(option, parts[1], 0xFFFFFFFFull)), parts.size() == 2});
        } else if (option == "--swipes") {
            const std::string v = value();
            const auto dots = v.find("..");
            if (dots == std::string::npos) Fail(option, "expected FROM..TO");
            const TNaiveTime from = Date(option, v.substr(0, dots)), to = Date(option, v.substr(dots + 2));
            if (to < from) Fail(option, "TO is before FROM");
            d.period = {from, to};
        } else if (option == "--swipe-tickets") {
            d.tickets = NumberList(option, value());
        } else if (option == "--swipe-codes") {
            d.codes = NumberList(option, value());
        } else if (option == "--swipe-file") {
            c.swipeFiles.push_back(value());
        } else if (option == "--live-swipes") {
            c.liveSwipeMs = int(Number(option, value(), 86400000));
        } else if (option == "--seed") {
            c.seed = Number(option, value(), ~0ull);
        } else if (option == "--drop") {
            c.faults.drop = Probability(option, value());
        } else if (option == "--corrupt") {
            c.faults.corrupt = Probability(option, value());
        } else if (option == "--delay" || option == "--duplicate") {
            const auto parts = Split(value(), ':');
            if (parts.empty() || parts.size() > 2) Fail(option, "expected MS or MS:P");
            const int ms = int(Number(option, parts[0], 600000));
            const double p = parts.size() == 2 ? Probability(option, parts[1]) : 1.0;
            if (option == "--delay") {
                c.faults.delayMs = ms;
                c.faults.delayChance = p;
            } else {
                c.faults.duplicateMs = ms;
                c.faults.duplicateChance = p;
            }
        } else if (option == "--lose-then-copy" || option == "--hold" || option == "--answer-twice") {
            const bool twice = option == "--answer-twice";
            const auto n =
                FaultNumbers(option, value(), 2, twice ? std::optional<std::uint32_t>(0) : std::nullopt,
                             twice ? "B or B:MS" : "B:MS");
            auto& list = option == "--hold" ? c.faults.hold
                         : twice            ? c.faults.answerTwice
                                            : c.faults.loseThenCopy;
            list.push_back({n[0], Millis(option, n[1])});
        } else if (option == "--stale-first") {
            const auto n = FaultNumbers(option, value(), 3, std::nullopt, "B:SRC:MS");
            c.faults.staleFirst.push_back({n[0], n[1], Millis(option, n[2])});
        } else if (option == "--swipe-during") {
            const auto n = FaultNumbers(option, value(), 2, 1, "B or B:COUNT");
            if (n[1] < 1 || n[1] > 100000) Fail(option, "COUNT must be 1 to 100000");
            c.faults.swipeDuring.push_back({n[0], int(n[1])});
        } else if (option == "--silent") {
            c.faults.silentAfter = 0;
        } else if (option == "--silent-after") {
            c.faults.silentAfter = long(Number(option, value(), 1000000000));
        } else if (option == "--refuse-cards") {
            c.faults.refuseCards = true;
        } else if (option == "--no-echo") {
            c.faults.noEcho = true;
        } else if (option == "--silent-commands") {
            c.faults.silentCommands = value();
        } else if (option == "--refuse-commands") {
            c.faults.refuseCommands = value();
        } else if (option == "--fault-commands") {
            c.faults.onlyCommands = value();
        } else {
            Fail(option, "unknown option (see --help)");
        }
        if (inlineValue && (option == "--help" || option == "-h" || option == "--version" ||
                            option == "--silent" || option == "--refuse-cards" || option == "--no-echo"))
            Fail(option, "takes no value");
    }
    if (options.help || options.version) return options;
    if (devices.empty()) throw std::invalid_argument("no device: give at least one --listen ADDR:PORT");
    for (TPendingDevice& d : devices) {
        if (d.period) {
            TSwipePlan plan;
            plan.from = d.period->first;
            plan.to = d.period->second;
            if (d.tickets) {
                plan.tickets = *d.tickets;
            } else if (d.codes.empty()) {
                for (const TUserRecord& card : d.config.cards)
                    plan.tickets.push_back(card.ticket);
            }
            plan.codes = d.codes;
            d.config.swipes = plan;
        }
        options.devices.push_back(d.config);
    }
    return options;
}

} // namespace devicesim
