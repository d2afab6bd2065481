// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicesim/SimDevice.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace devicesim {

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::uint32_t kMaxMemory = 0xFFFFFF; // the size travels as 24 bits

std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

struct TFields {
    int year;
    unsigned month, day, hour, minute, second;
};

TFields FieldsOf(TNaiveTime t) {
    using namespace std::chrono;
    std::int64_t days = t / kDay;
    std::int64_t rest = t % kDay;
    if (rest < 0) {
        rest += kDay;
        --days;
    }
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    return {int(ymd.year()),       unsigned(ymd.month()),    unsigned(ymd.day()),
            unsigned(rest / 3600), unsigned(rest / 60 % 60), unsigned(rest % 60)};
}

TLogSlot RecordAt(TNaiveTime t, std::uint32_t card, std::uint8_t eventType) {
    const TFields f = FieldsOf(t);
    TLogSlot r;
    r.card = card;
    r.eventType = eventType;
    r.hour = static_cast<std::uint8_t>(f.hour);
    r.minute = static_cast<std::uint8_t>(f.minute);
    r.second = static_cast<std::uint8_t>(f.second);
    r.day = static_cast<std::uint8_t>(f.day);
    r.month = static_cast<std::uint8_t>(f.month);
    r.year = static_cast<std::uint8_t>(f.year - 2000);
    return r;
}

} // namespace

TNaiveTime MakeNaiveTime(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                         unsigned second) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    return date.time_since_epoch().count() * kDay + hour * 3600 + minute * 60 + second;
}

TNaiveTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return MakeNaiveTime(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday),
                         unsigned(local.tm_hour), unsigned(local.tm_min), unsigned(local.tm_sec));
}

TSimDevice::TSimDevice(TDeviceConfig config) : m_config(std::move(config)), m_rng(SplitMix(m_config.seed)) {
    m_config.memorySize = std::min(m_config.memorySize, kMaxMemory);
    m_image.assign(m_config.memorySize, 0);
    m_logSlots =
        m_config.logSlots.value_or(std::uint32_t(LogSlotsWithin(m_config.memorySize, m_config.users)));
    // The header is not read by the download; it names the model for a human reader.
    WriteImage(0, reinterpret_cast<const std::uint8_t*>(m_config.model.data()),
               std::min(m_config.model.size(), kImageHeaderSize));
    for (const TUserRecord& card : m_config.cards)
        StoreCard(card);
    if (m_config.swipes) GenerateSwipes(*m_config.swipes);
    for (const std::string& path : m_config.swipeFiles)
        LoadSwipeFile(path);
}

void TSimDevice::WriteImage(std::uint64_t offset, const std::uint8_t* data, std::size_t len) {
    // Areas that the configured sizes place beyond the memory are simply not held.
    for (std::size_t i = 0; i < len && offset + i < m_image.size(); ++i)
        m_image[offset + i] = data[i];
}

std::uint64_t TSimDevice::NextRandom() {
    m_rng = SplitMix(m_rng);
    return m_rng;
}

bool TSimDevice::Chance(double p) {
    // Always draw, so that the sequence of outcomes depends on the seed alone.
    const double r = double(NextRandom() >> 11) / double(1ull << 53);
    return r < p;
}

bool TSimDevice::Listed(const std::string& list, TDeviceCommand cmd) {
    const std::string name{cmd.c1, cmd.c2};
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ',');)
        if (item == name) return true;
    return false;
}

bool TSimDevice::FaultApplies(TDeviceCommand cmd) const {
    return m_config.faults.onlyCommands.empty() || Listed(m_config.faults.onlyCommands, cmd);
}

std::string TSimDevice::StateText() const {
    std::string text = "clock ";
    if (m_clockSet) {
        text += (m_clockOffset >= 0 ? "+" : "") + std::to_string(m_clockOffset) + " s";
    } else {
        text += "not set";
    }
    text += ", relay mode " + (m_relayModeSet ? std::to_string(m_relayMode) : std::string("not set"));
    text += ", delays " + std::to_string(m_config.delayR1) + "," + std::to_string(m_config.delayR2);
    text += ", cards";
    if (m_cards.empty()) text += " none";
    for (const TUserRecord& c : m_cards)
        text += " " + std::to_string(c.ticket) + ":" + std::to_string(c.code) + (c.active ? "" : ":inactive");
    return text;
}

TFrame TSimDevice::DeviceInfoReply() const {
    TDeviceInfo info;
    info.firmwareVersion = m_config.model;
    info.firmwareDateTime = "Mar 12 2017 07:30:05 r107";
    info.firmwareVer = "1.07";
    info.hardwareVer = "2.01";
    info.memoryType = 1;    // serial EEPROM
    info.sdcardMemSize = 0; // no memory card
    info.eepromMemSize = m_config.memorySize;
    info.usersCount = m_config.users;
    info.maxLogRecords = m_logSlots;
    const bool layoutB = m_config.model.find(kLayoutBModel) != std::string::npos;
    const TFrameData data = DeviceInfoData(info, layoutB ? TDeviceInfoLayout::B : TDeviceInfoLayout::A);
    return BuildFrame(kCmdGetDeviceInfo, 'O', 'K', data.data());
}

TFrame TSimDevice::BlockReply(std::uint32_t block) const {
    TFrameData data{};
    for (std::uint64_t i = 0; i < kFrameDataSize; ++i) {
        const std::uint64_t at = std::uint64_t{block} * kMemBlockSize + i;
        data[i] = at < m_image.size() ? m_image[at] : 0;
    }
    return BuildFrame(kCmdGetMemoryBlock, 'O', 'K', data.data());
}

bool TSimDevice::StoreCard(const TUserRecord& card) {
    if (card.ticket == 0) return false; // ticket 0 marks a free user record
    auto it = std::find_if(m_cards.begin(), m_cards.end(),
                           [&](const TUserRecord& c) { return c.ticket == card.ticket; });
    if (it == m_cards.end()) {
        if (m_cards.size() >= m_config.users) return false;
        it = m_cards.insert(m_cards.end(), card);
    } else {
        *it = card;
    }
    std::uint8_t record[kUserRecordSize];
    EncodeUserRecord(card, record);
    WriteImage(UserRecordOffset(std::size_t(it - m_cards.begin())), record, sizeof record);
    return true;
}

std::optional<TUserRecord> TSimDevice::Card(std::uint32_t ticket) const {
    for (const TUserRecord& c : m_cards)
        if (c.ticket == ticket) return c;
    return std::nullopt;
}

bool TSimDevice::Admitted(std::uint32_t card, bool byTicket) const {
    return std::any_of(m_cards.begin(), m_cards.end(), [&](const TUserRecord& c) {
        return c.active && (byTicket ? c.ticket : c.code) == card;
    });
}

void TSimDevice::AppendRecord(TLogSlot record) {
    if (record.index == 0) record.index = m_lastIndex + 1;
    m_lastIndex = std::max(m_lastIndex, record.index);
    if (m_logSlots == 0) return;
    // The log is a ring: once every slot is used the oldest record is overwritten.
    std::uint8_t slot[kLogSlotSize];
    EncodeLogSlot(record, slot);
    WriteImage(NextRecordOffset(), slot, sizeof slot);
    m_nextSlot = (m_nextSlot + 1) % m_logSlots;
}

bool TSimDevice::PlaceRecord(std::uint32_t slot, const TLogSlot& record) {
    const std::uint64_t at = LogSlotOffset(m_config.users, slot);
    if (slot >= m_logSlots || at + kLogSlotSize > m_image.size()) return false;
    std::uint8_t bytes[kLogSlotSize];
    EncodeLogSlot(record, bytes);
    WriteImage(at, bytes, sizeof bytes);
    m_lastIndex = std::max(m_lastIndex, record.index);
    return true;
}

std::vector<TLogSlot> TSimDevice::Records() const {
    std::vector<TLogSlot> out;
    for (std::uint32_t k = 0; k < m_logSlots; ++k) {
        const std::uint64_t at = LogSlotOffset(m_config.users, k);
        if (at + kLogSlotSize > m_image.size()) break;
        const auto slot = m_image.begin() + std::ptrdiff_t(at);
        if (std::all_of(slot, slot + kLogSlotSize, [](std::uint8_t b) { return b == 0; })) continue;
        out.push_back(DecodeLogSlot(&m_image[at]));
    }
    return out;
}

bool TSimDevice::Swipe(std::uint32_t card, bool byTicket, bool arrival, TNaiveTime deviceTime) {
    if (!Admitted(card, byTicket)) return false;
    const std::uint8_t eventType = byTicket ? (arrival ? kTicketArrivalEvent : kTicketDepartureEvent)
                                            : (arrival ? kCardArrivalEvent : kCardDepartureEvent);
    AppendRecord(RecordAt(deviceTime, card, eventType));
    return true;
}

bool TSimDevice::SwipeTicket(std::uint32_t ticket, bool arrival, TNaiveTime now) {
    return Swipe(ticket, true, arrival, now + m_clockOffset);
}

bool TSimDevice::SwipeCode(std::uint32_t code, bool arrival, TNaiveTime now) {
    return Swipe(code, false, arrival, now + m_clockOffset);
}

bool TSimDevice::LiveSwipe(TNaiveTime now) {
    if (m_cards.empty()) return false;
    const std::uint32_t ticket = m_cards[m_liveNext++ % m_cards.size()].ticket;
    bool& inside = m_liveInside[ticket];
    inside = !inside;
    return SwipeTicket(ticket, inside, now);
}

void TSimDevice::ScriptedSwipe(TNaiveTime now) {
    // Logged as it is, so the record lands even for a withdrawn card; a device without
    // cards logs a stand-in ticket.
    const std::uint32_t ticket = m_cards.empty() ? 1 : m_cards.front().ticket;
    bool& inside = m_liveInside[ticket];
    inside = !inside;
    AppendRecord(RecordAt(now + m_clockOffset, ticket, inside ? kTicketArrivalEvent : kTicketDepartureEvent));
}

bool TSimDevice::ShapeReplies(std::uint32_t block, const TFrame& frame, TOutcome& out, bool& realSent) {
    const TFaults& f = m_config.faults;
    std::vector<TOutgoing> first; // stale replies, sent at once
    std::vector<TOutgoing> real{{frame, 0}};
    bool shaped = false;
    const auto fired = [&](const std::string& what, std::initializer_list<long long> values) {
        out.note += ", scripted " + what + " " + std::to_string(block);
        for (long long v : values)
            out.note += ":" + std::to_string(v);
        shaped = true;
    };
    for (const TBlockFault& h : f.hold) {
        if (h.block != block) continue;
        for (TOutgoing& r : real)
            r.delayMs += h.ms;
        fired("hold", {h.ms});
    }
    for (const TStaleBlockFault& s : f.staleFirst) {
        if (s.block != block) continue;
        first.push_back({BlockReply(s.source), 0});
        for (TOutgoing& r : real)
            r.delayMs += s.ms;
        fired("stale-first", {s.source, s.ms});
    }
    for (const TBlockFault& t : f.answerTwice) {
        if (t.block != block) continue;
        real.push_back({frame, real.front().delayMs + t.ms});
        fired("answer-twice", {t.ms});
    }
    realSent = true;
    for (const TBlockFault& l : f.loseThenCopy) {
        if (l.block != block) continue;
        realSent = false;
        real.clear();
        if (m_lastReply) real.push_back({*m_lastReply, l.ms});
        fired("lose-then-copy", {l.ms});
        out.note += m_lastReply ? " (reply lost, previous one copied)" : " (reply lost, nothing to copy)";
    }
    if (!shaped) return false;
    first.insert(first.end(), real.begin(), real.end());
    std::stable_sort(first.begin(), first.end(),
                     [](const TOutgoing& a, const TOutgoing& b) { return a.delayMs < b.delayMs; });
    out.replies = std::move(first);
    return true;
}

void TSimDevice::GenerateSwipes(const TSwipePlan& plan) {
    struct TPlanned {
        TNaiveTime time;
        std::uint32_t card;
        bool byTicket;
        bool arrival;
    };
    std::vector<TPlanned> planned;
    const auto jitter = [&](std::uint32_t card, bool byTicket, TNaiveTime day, bool arrival) {
        std::uint64_t h = SplitMix(m_config.seed ^ 0x5157495045ull);
        h = SplitMix(h ^ (std::uint64_t{card} << 1 | (byTicket ? 1 : 0)));
        h = SplitMix(h ^ std::uint64_t(day) << 1 ^ (arrival ? 1 : 0));
        return TNaiveTime(h % 5400); // up to 90 minutes
    };
    for (TNaiveTime day = plan.from; day <= plan.to; day += kDay) {
        const std::chrono::weekday wd{std::chrono::sys_days{std::chrono::days{day / kDay}}};
        if (wd == std::chrono::Saturday || wd == std::chrono::Sunday) continue;
        const auto add = [&](std::uint32_t card, bool byTicket) {
            planned.push_back(
                {day + 7 * 3600 + 1800 + jitter(card, byTicket, day, true), card, byTicket, true});
            planned.push_back(
                {day + 15 * 3600 + 1800 + jitter(card, byTicket, day, false), card, byTicket, false});
        };
        for (std::uint32_t t : plan.tickets)
            add(t, true);
        for (std::uint32_t c : plan.codes)
            add(c, false);
    }
    std::stable_sort(planned.begin(), planned.end(),
                     [](const TPlanned& a, const TPlanned& b) { return a.time < b.time; });
    for (const TPlanned& p : planned)
        Swipe(p.card, p.byTicket, p.arrival, p.time);
}

void TSimDevice::LoadSwipeFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read swipe file " + path);
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream fields(line);
        std::string date, time;
        if (!(fields >> date)) continue;
        long long type = -1, card = 0, index = 0, slot = -1;
        unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        char c1 = 0, c2 = 0, c3 = 0, c4 = 0;
        std::istringstream ds(date);
        const bool ok = (ds >> y >> c1 >> mo >> c2 >> d) && c1 == '-' && c2 == '-' && (fields >> time) &&
                        (std::istringstream(time) >> h >> c3 >> mi >> c4 >> s) && c3 == ':' && c4 == ':' &&
                        (fields >> type >> card) && y >= 2000 && y <= 2255 && mo <= 255 && d <= 255 &&
                        h <= 255 && mi <= 255 && s <= 255 && type >= 0 && type <= 255 &&
                        card >= -2147483648LL && card <= 4294967295LL;
        const bool badIndex = (fields >> index) && (index < 0 || index > 4294967295LL);
        const bool badSlot = (fields >> slot) && (slot < 0 || slot >= m_logSlots);
        if (!ok || badIndex || badSlot)
            throw std::runtime_error(path + ":" + std::to_string(lineNo) +
                                     ": expected DATE TIME TYPE CARD [INDEX [SLOT]] with SLOT below " +
                                     std::to_string(m_logSlots) + ", e.g. 2017-03-12 07:30:05 15 999");
        TLogSlot r;
        r.index = static_cast<std::uint32_t>(index);
        r.card = static_cast<std::uint32_t>(card);
        r.eventType = static_cast<std::uint8_t>(type);
        r.hour = std::uint8_t(h);
        r.minute = std::uint8_t(mi);
        r.second = std::uint8_t(s);
        r.day = std::uint8_t(d);
        r.month = std::uint8_t(mo);
        r.year = std::uint8_t(y - 2000);
        if (slot >= 0)
            PlaceRecord(std::uint32_t(slot), r);
        else
            AppendRecord(r);
    }
}

TSimDevice::TOutcome TSimDevice::Handle(const std::uint8_t* data, std::size_t len, TNaiveTime now) {
    TOutcome out;
    if (len < kFrameSize) {
        out.note = "short datagram, ignored";
        return out;
    }
    if (!FrameCrcOk(data)) {
        out.note = "bad checksum, ignored";
        return out;
    }
    const TDeviceCommand cmd{static_cast<char>(data[6]), static_cast<char>(data[7])};
    const std::uint8_t* args = data + kFrameDataOffset;
    TFrameData reply{};
    bool accepted = true;
    const std::string name{cmd.c1, cmd.c2};
    const TFaults& f = m_config.faults;
    std::optional<std::uint32_t> block;
    bool scripted = false; // first request for the block in this download
    if (Listed(f.refuseCommands, cmd)) {
        accepted = false;
        out.note = name + " refused";
    } else if (name == "GE") {
        out.note = "device info";
    } else if (name == "GB") {
        block = MemoryBlockOf(args);
        out.note = "block " + std::to_string(*block);
        scripted = m_readSinceInfo.insert(*block).second;
        for (const TSwipeFault& s : f.swipeDuring) {
            if (!scripted || s.block != *block) continue;
            for (int k = 0; k < s.count; ++k)
                ScriptedSwipe(now);
            out.note += ", scripted swipe-during " + std::to_string(s.block) + ":" + std::to_string(s.count) +
                        " (last index " + std::to_string(m_lastIndex) + ", next slot " +
                        std::to_string(m_nextSlot) + ")";
        }
    } else if (name == "GD") {
        reply[0] = m_config.delayR1;
        reply[1] = m_config.delayR2;
        out.note =
            "relay delays " + std::to_string(m_config.delayR1) + "," + std::to_string(m_config.delayR2);
    } else if (name == "SD") {
        m_config.delayR1 = args[0];
        m_config.delayR2 = args[1];
        m_relayMode = args[2];
        m_relayModeSet = true;
        out.note = "relay mode " + std::to_string(m_relayMode) + ", delays " + std::to_string(args[0]) + "," +
                   std::to_string(args[1]);
    } else if (name == "ST") {
        const unsigned month = args[4], day = args[5];
        accepted = args[0] < 24 && args[1] < 60 && args[2] < 60 && month >= 1 && month <= 12 && day >= 1 &&
                   day <= 31;
        if (accepted) {
            m_clockOffset = MakeNaiveTime(2000 + args[3], month, day, args[0], args[1], args[2]) - now;
            m_clockSet = true;
        }
        out.note = accepted ? "clock set, offset " + std::string(m_clockOffset >= 0 ? "+" : "") +
                                  std::to_string(m_clockOffset) + " s"
                            : "clock refused";
    } else if (name == "SE") {
        const TUserRecord card = UserRecordOf(args);
        accepted = !m_config.faults.refuseCards && StoreCard(card);
        out.note = "card record " + std::to_string(card.ticket) + " code " + std::to_string(card.code) +
                   (card.active ? " active" : " inactive") + (accepted ? " kept" : " refused");
    } else {
        accepted = false;
        out.note = "unknown command";
    }
    const std::string state =
        name == "ST" || name == "SD" || name == "SE" ? " | state: " + StateText() : std::string();
    TFrame frame = name == "GE" ? DeviceInfoReply()
                   : block      ? BlockReply(*block)
                                : BuildFrame(cmd, accepted ? 'O' : 'N', accepted ? 'K' : 'O', reply.data());
    if (f.noEcho) {
        frame[6] = frame[7] = 0;
        SealFrame(frame);
    }

    if ((f.silentAfter >= 0 && m_repliesSent >= f.silentAfter) || Listed(f.silentCommands, cmd)) {
        out.note += ", silent" + state;
        return out;
    }
    const bool drop = Chance(f.drop);
    const bool corrupt = Chance(f.corrupt);
    const bool delay = Chance(f.delayChance);
    const bool duplicate = Chance(f.duplicateChance);
    bool realSent = true;
    if (!(scripted && ShapeReplies(*block, frame, out, realSent))) {
        const bool applies = FaultApplies(cmd);
        if (applies && drop) {
            out.note += ", reply dropped" + state;
            return out;
        }
        if (applies && corrupt) {
            frame[kFrameCrcOffset + 1] ^= 0x5A;
            out.note += ", checksum corrupted";
        }
        const int delayMs = applies && delay ? f.delayMs : 0;
        if (delayMs > 0) out.note += ", delayed " + std::to_string(delayMs) + " ms";
        out.replies.push_back({frame, delayMs});
        if (applies && duplicate && f.duplicateMs >= 0) {
            out.replies.push_back({frame, delayMs + f.duplicateMs});
            out.note += ", duplicate after " + std::to_string(f.duplicateMs) + " ms";
        }
    }
    if (!out.replies.empty()) {
        m_lastReply = out.replies.back().frame;
        ++m_repliesSent;
    }
    // An answered GE starts a download: the scripted faults fire again.
    if (name == "GE" && accepted) m_readSinceInfo.clear();
    if (!realSent) {
        out.note += state;
        return out;
    }
    out.note += (accepted ? ", replied O K" : ", replied N O") + state;
    return out;
}

} // namespace devicesim
