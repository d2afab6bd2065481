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

constexpr std::int64_t DAY = 86400;
constexpr std::uint32_t MAX_MEMORY = 0xFFFFFF; // the size travels as 24 bits

std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void PutBigEndian(std::uint8_t* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * (bytes - 1 - i)));
}

// Copies `text` into `out`, padded with blanks (or cut) to `width`.
void PutText(std::uint8_t* out, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        out[i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

struct Fields {
    int year;
    unsigned month, day, hour, minute, second;
};

Fields FieldsOf(NaiveTime t) {
    using namespace std::chrono;
    std::int64_t days = t / DAY;
    std::int64_t rest = t % DAY;
    if (rest < 0) {
        rest += DAY;
        --days;
    }
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    return {int(ymd.year()),       unsigned(ymd.month()),    unsigned(ymd.day()),
            unsigned(rest / 3600), unsigned(rest / 60 % 60), unsigned(rest % 60)};
}

LogRecord RecordAt(NaiveTime t, std::uint32_t card, std::uint8_t type) {
    const Fields f = FieldsOf(t);
    LogRecord r;
    r.card = card;
    r.type = type;
    r.hour = static_cast<std::uint8_t>(f.hour);
    r.minute = static_cast<std::uint8_t>(f.minute);
    r.second = static_cast<std::uint8_t>(f.second);
    r.day = static_cast<std::uint8_t>(f.day);
    r.month = static_cast<std::uint8_t>(f.month);
    r.year = static_cast<std::uint8_t>(f.year - 2000);
    return r;
}

} // namespace

NaiveTime MakeNaiveTime(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                        unsigned second) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    return date.time_since_epoch().count() * DAY + hour * 3600 + minute * 60 + second;
}

NaiveTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return MakeNaiveTime(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday),
                         unsigned(local.tm_hour), unsigned(local.tm_min), unsigned(local.tm_sec));
}

LogRecord DecodeLogRecord(const std::uint8_t* slot) {
    LogRecord r;
    r.index = BigEndian32(slot);
    r.card = BigEndian32(slot + 4);
    r.type = slot[8];
    r.hour = slot[9];
    r.minute = slot[10];
    r.second = slot[11];
    r.day = slot[12];
    r.month = slot[13];
    r.year = slot[14];
    return r;
}

void EncodeLogRecord(const LogRecord& r, std::uint8_t* slot) {
    PutBigEndian(slot, r.index, 4);
    PutBigEndian(slot + 4, r.card, 4);
    slot[8] = r.type;
    slot[9] = r.hour;
    slot[10] = r.minute;
    slot[11] = r.second;
    slot[12] = r.day;
    slot[13] = r.month;
    slot[14] = r.year;
}

SimDevice::SimDevice(DeviceConfig config) : Config_(std::move(config)), Rng_(SplitMix(Config_.seed)) {
    Config_.memorySize = std::min(Config_.memorySize, MAX_MEMORY);
    Image_.assign(Config_.memorySize, 0);
    const std::uint64_t logOffset = LogOffset();
    LogSlots_ = Config_.logSlots.value_or(
        Config_.memorySize > logOffset ? std::uint32_t((Config_.memorySize - logOffset) / LOG_RECORD_SIZE)
                                       : 0);
    // The header is not read by the download; it names the model for a human reader.
    WriteImage(0, reinterpret_cast<const std::uint8_t*>(Config_.model.data()),
               std::min<std::size_t>(Config_.model.size(), HEADER_SIZE));
    for (const CardRecord& card : Config_.cards)
        StoreCard(card);
    if (Config_.swipes) GenerateSwipes(*Config_.swipes);
    for (const std::string& path : Config_.swipeFiles)
        LoadSwipeFile(path);
}

void SimDevice::WriteImage(std::uint64_t offset, const std::uint8_t* data, std::size_t len) {
    // Areas that the configured sizes place beyond the memory are simply not held.
    for (std::size_t i = 0; i < len && offset + i < Image_.size(); ++i)
        Image_[offset + i] = data[i];
}

std::uint64_t SimDevice::NextRandom() {
    Rng_ = SplitMix(Rng_);
    return Rng_;
}

bool SimDevice::Chance(double p) {
    // Always draw, so that the sequence of outcomes depends on the seed alone.
    const double r = double(NextRandom() >> 11) / double(1ull << 53);
    return r < p;
}

bool SimDevice::Listed(const std::string& list, TDeviceCommand cmd) {
    const std::string name{cmd.c1, cmd.c2};
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ',');)
        if (item == name) return true;
    return false;
}

bool SimDevice::FaultApplies(TDeviceCommand cmd) const {
    return Config_.faults.onlyCommands.empty() || Listed(Config_.faults.onlyCommands, cmd);
}

std::string SimDevice::StateText() const {
    std::string text = "clock ";
    if (ClockSet_) {
        text += (ClockOffset_ >= 0 ? "+" : "") + std::to_string(ClockOffset_) + " s";
    } else {
        text += "not set";
    }
    text += ", relay mode " + (RelayModeSet_ ? std::to_string(RelayMode_) : std::string("not set"));
    text += ", delays " + std::to_string(Config_.delayR1) + "," + std::to_string(Config_.delayR2);
    text += ", cards";
    if (Cards_.empty()) text += " none";
    for (const CardRecord& c : Cards_)
        text += " " + std::to_string(c.ticket) + ":" + std::to_string(c.code) + (c.active ? "" : ":inactive");
    return text;
}

TFrame SimDevice::DeviceInfoReply() const {
    TFrameData data{};
    const bool layoutB = Config_.model.find("Tarmisoni") != std::string::npos;
    const std::string built = "Mar 12 2017 07:30:05 r107"; // 25 characters
    if (layoutB) {
        PutText(&data[0], Config_.model, 10);
        PutText(&data[10], built, 25);
        PutText(&data[35], "1.07", 4);
        PutText(&data[39], "2.01", 4);
    } else {
        PutText(&data[0], Config_.model, 17);
        PutText(&data[17], built, 25);
        PutText(&data[42], "1.07", 4);
        PutText(&data[46], "2.01", 4);
    }
    data[50] = 1; // memory type: serial EEPROM
    PutBigEndian(&data[51], Config_.memorySize, 3);
    PutBigEndian(&data[54], 0, 4); // no memory card
    PutBigEndian(&data[58], Config_.users, 2);
    PutBigEndian(&data[60], LogSlots_, 4);
    return BuildFrame(cmdGetDeviceInfo, 'O', 'K', data.data());
}

TFrame SimDevice::BlockReply(std::uint32_t block) const {
    TFrameData data{};
    for (std::uint64_t i = 0; i < FRAME_DATA_SIZE; ++i) {
        const std::uint64_t at = std::uint64_t{block} * MEM_BLOCK_SIZE + i;
        data[i] = at < Image_.size() ? Image_[at] : 0;
    }
    return BuildFrame(cmdGetMemoryBlock, 'O', 'K', data.data());
}

bool SimDevice::StoreCard(const CardRecord& card) {
    if (card.ticket == 0) return false; // ticket 0 marks a free user record
    auto it = std::find_if(Cards_.begin(), Cards_.end(),
                           [&](const CardRecord& c) { return c.ticket == card.ticket; });
    if (it == Cards_.end()) {
        if (Cards_.size() >= Config_.users) return false;
        it = Cards_.insert(Cards_.end(), card);
    } else {
        *it = card;
    }
    // User record: ticket, card code, 12 reserved bytes, flags (0x80 set, bit 0 = active).
    std::uint8_t record[USER_RECORD_SIZE] = {};
    PutBigEndian(record, card.ticket, 4);
    PutBigEndian(record + 4, card.code, 4);
    record[20] = static_cast<std::uint8_t>(0x80 | (card.active ? 1 : 0));
    WriteImage(HEADER_SIZE + std::uint64_t{USER_RECORD_SIZE} * std::size_t(it - Cards_.begin()), record,
               sizeof record);
    return true;
}

std::optional<CardRecord> SimDevice::Card(std::uint32_t ticket) const {
    for (const CardRecord& c : Cards_)
        if (c.ticket == ticket) return c;
    return std::nullopt;
}

bool SimDevice::Admitted(std::uint32_t card, bool byTicket) const {
    return std::any_of(Cards_.begin(), Cards_.end(), [&](const CardRecord& c) {
        return c.active && (byTicket ? c.ticket : c.code) == card;
    });
}

void SimDevice::AppendRecord(LogRecord record) {
    if (record.index == 0) record.index = LastIndex_ + 1;
    LastIndex_ = std::max(LastIndex_, record.index);
    if (LogSlots_ == 0) return;
    // The log is a ring: once every slot is used the oldest record is overwritten.
    std::uint8_t slot[LOG_RECORD_SIZE];
    EncodeLogRecord(record, slot);
    WriteImage(LogOffset() + std::uint64_t{LOG_RECORD_SIZE} * NextSlot_, slot, sizeof slot);
    NextSlot_ = (NextSlot_ + 1) % LogSlots_;
    UsedSlots_ = std::min(UsedSlots_ + 1, LogSlots_);
}

std::vector<LogRecord> SimDevice::Records() const {
    std::vector<LogRecord> out;
    for (std::uint32_t k = 0; k < UsedSlots_; ++k) {
        const std::uint64_t at = LogOffset() + std::uint64_t{LOG_RECORD_SIZE} * k;
        if (at + LOG_RECORD_SIZE > Image_.size()) break;
        out.push_back(DecodeLogRecord(&Image_[at]));
    }
    return out;
}

bool SimDevice::Swipe(std::uint32_t card, bool byTicket, bool arrival, NaiveTime deviceTime) {
    if (!Admitted(card, byTicket)) return false;
    const std::uint8_t type =
        byTicket ? (arrival ? TICKET_ARRIVAL : TICKET_DEPARTURE) : (arrival ? CARD_ARRIVAL : CARD_DEPARTURE);
    AppendRecord(RecordAt(deviceTime, card, type));
    return true;
}

bool SimDevice::SwipeTicket(std::uint32_t ticket, bool arrival, NaiveTime now) {
    return Swipe(ticket, true, arrival, now + ClockOffset_);
}

bool SimDevice::SwipeCode(std::uint32_t code, bool arrival, NaiveTime now) {
    return Swipe(code, false, arrival, now + ClockOffset_);
}

bool SimDevice::LiveSwipe(NaiveTime now) {
    if (Cards_.empty()) return false;
    const std::uint32_t ticket = Cards_[LiveNext_++ % Cards_.size()].ticket;
    bool& inside = LiveInside_[ticket];
    inside = !inside;
    return SwipeTicket(ticket, inside, now);
}

void SimDevice::ScriptedSwipe(NaiveTime now) {
    // Logged as it is, so the record lands even for a withdrawn card; a device without
    // cards logs a stand-in ticket.
    const std::uint32_t ticket = Cards_.empty() ? 1 : Cards_.front().ticket;
    bool& inside = LiveInside_[ticket];
    inside = !inside;
    AppendRecord(RecordAt(now + ClockOffset_, ticket, inside ? TICKET_ARRIVAL : TICKET_DEPARTURE));
}

bool SimDevice::ShapeReplies(std::uint32_t block, const TFrame& frame, Outcome& out, bool& realSent) {
    const Faults& f = Config_.faults;
    std::vector<Outgoing> first; // stale replies, sent at once
    std::vector<Outgoing> real{{frame, 0}};
    bool shaped = false;
    const auto fired = [&](const std::string& what, std::initializer_list<long long> values) {
        out.note += ", scripted " + what + " " + std::to_string(block);
        for (long long v : values)
            out.note += ":" + std::to_string(v);
        shaped = true;
    };
    for (const BlockFault& h : f.hold) {
        if (h.block != block) continue;
        for (Outgoing& r : real)
            r.delayMs += h.ms;
        fired("hold", {h.ms});
    }
    for (const StaleBlockFault& s : f.staleFirst) {
        if (s.block != block) continue;
        first.push_back({BlockReply(s.source), 0});
        for (Outgoing& r : real)
            r.delayMs += s.ms;
        fired("stale-first", {s.source, s.ms});
    }
    for (const BlockFault& t : f.answerTwice) {
        if (t.block != block) continue;
        real.push_back({frame, real.front().delayMs + t.ms});
        fired("answer-twice", {t.ms});
    }
    realSent = true;
    for (const BlockFault& l : f.loseThenCopy) {
        if (l.block != block) continue;
        realSent = false;
        real.clear();
        if (LastReply_) real.push_back({*LastReply_, l.ms});
        fired("lose-then-copy", {l.ms});
        out.note += LastReply_ ? " (reply lost, previous one copied)" : " (reply lost, nothing to copy)";
    }
    if (!shaped) return false;
    first.insert(first.end(), real.begin(), real.end());
    std::stable_sort(first.begin(), first.end(),
                     [](const Outgoing& a, const Outgoing& b) { return a.delayMs < b.delayMs; });
    out.replies = std::move(first);
    return true;
}

void SimDevice::GenerateSwipes(const SwipePlan& plan) {
    struct Planned {
        NaiveTime time;
        std::uint32_t card;
        bool byTicket;
        bool arrival;
    };
    std::vector<Planned> planned;
    const auto jitter = [&](std::uint32_t card, bool byTicket, NaiveTime day, bool arrival) {
        std::uint64_t h = SplitMix(Config_.seed ^ 0x5157495045ull);
        h = SplitMix(h ^ (std::uint64_t{card} << 1 | (byTicket ? 1 : 0)));
        h = SplitMix(h ^ std::uint64_t(day) << 1 ^ (arrival ? 1 : 0));
        return NaiveTime(h % 5400); // up to 90 minutes
    };
    for (NaiveTime day = plan.from; day <= plan.to; day += DAY) {
        const std::chrono::weekday wd{std::chrono::sys_days{std::chrono::days{day / DAY}}};
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
                     [](const Planned& a, const Planned& b) { return a.time < b.time; });
    for (const Planned& p : planned)
        Swipe(p.card, p.byTicket, p.arrival, p.time);
}

void SimDevice::LoadSwipeFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read swipe file " + path);
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream fields(line);
        std::string date, time;
        if (!(fields >> date)) continue;
        long long type = -1, card = 0, index = 0;
        unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        char c1 = 0, c2 = 0, c3 = 0, c4 = 0;
        std::istringstream ds(date);
        const bool ok = (ds >> y >> c1 >> mo >> c2 >> d) && c1 == '-' && c2 == '-' && (fields >> time) &&
                        (std::istringstream(time) >> h >> c3 >> mi >> c4 >> s) && c3 == ':' && c4 == ':' &&
                        (fields >> type >> card) && y >= 2000 && y <= 2255 && mo <= 255 && d <= 255 &&
                        h <= 255 && mi <= 255 && s <= 255 && type >= 0 && type <= 255 &&
                        card >= -2147483648LL && card <= 4294967295LL;
        if (!ok || ((fields >> index) && (index < 0 || index > 4294967295LL)))
            throw std::runtime_error(
                path + ":" + std::to_string(lineNo) +
                ": expected DATE TIME TYPE CARD [INDEX], e.g. 2017-03-12 07:30:05 15 999");
        LogRecord r;
        r.index = static_cast<std::uint32_t>(index);
        r.card = static_cast<std::uint32_t>(card);
        r.type = static_cast<std::uint8_t>(type);
        r.hour = std::uint8_t(h);
        r.minute = std::uint8_t(mi);
        r.second = std::uint8_t(s);
        r.day = std::uint8_t(d);
        r.month = std::uint8_t(mo);
        r.year = std::uint8_t(y - 2000);
        AppendRecord(r);
    }
}

SimDevice::Outcome SimDevice::Handle(const std::uint8_t* data, std::size_t len, NaiveTime now) {
    Outcome out;
    if (len < FRAME_SIZE) {
        out.note = "short datagram, ignored";
        return out;
    }
    if (!FrameCrcOk(data)) {
        out.note = "bad checksum, ignored";
        return out;
    }
    const TDeviceCommand cmd{static_cast<char>(data[6]), static_cast<char>(data[7])};
    const std::uint8_t* args = data + FRAME_DATA_OFFSET;
    TFrameData reply{};
    bool accepted = true;
    const std::string name{cmd.c1, cmd.c2};
    const Faults& f = Config_.faults;
    std::optional<std::uint32_t> block;
    bool scripted = false; // first request for the block in this download
    if (Listed(f.refuseCommands, cmd)) {
        accepted = false;
        out.note = name + " refused";
    } else if (name == "GE") {
        out.note = "device info";
    } else if (name == "GB") {
        block = BigEndian32(args + 1);
        out.note = "block " + std::to_string(*block);
        scripted = ReadSinceInfo_.insert(*block).second;
        for (const SwipeFault& s : f.swipeDuring) {
            if (!scripted || s.block != *block) continue;
            for (int k = 0; k < s.count; ++k)
                ScriptedSwipe(now);
            out.note += ", scripted swipe-during " + std::to_string(s.block) + ":" + std::to_string(s.count) +
                        " (last index " + std::to_string(LastIndex_) + ", next slot " +
                        std::to_string(NextSlot_) + ")";
        }
    } else if (name == "GD") {
        reply[0] = Config_.delayR1;
        reply[1] = Config_.delayR2;
        out.note = "relay delays " + std::to_string(Config_.delayR1) + "," + std::to_string(Config_.delayR2);
    } else if (name == "SD") {
        Config_.delayR1 = args[0];
        Config_.delayR2 = args[1];
        RelayMode_ = args[2];
        RelayModeSet_ = true;
        out.note = "relay mode " + std::to_string(RelayMode_) + ", delays " + std::to_string(args[0]) + "," +
                   std::to_string(args[1]);
    } else if (name == "ST") {
        const unsigned month = args[4], day = args[5];
        accepted = args[0] < 24 && args[1] < 60 && args[2] < 60 && month >= 1 && month <= 12 && day >= 1 &&
                   day <= 31;
        if (accepted) {
            ClockOffset_ = MakeNaiveTime(2000 + args[3], month, day, args[0], args[1], args[2]) - now;
            ClockSet_ = true;
        }
        out.note = accepted ? "clock set, offset " + std::string(ClockOffset_ >= 0 ? "+" : "") +
                                  std::to_string(ClockOffset_) + " s"
                            : "clock refused";
    } else if (name == "SE") {
        const CardRecord card{BigEndian32(args), BigEndian32(args + 4), (args[21] & 1) != 0};
        accepted = !Config_.faults.refuseCards && StoreCard(card);
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

    if ((f.silentAfter >= 0 && RepliesSent_ >= f.silentAfter) || Listed(f.silentCommands, cmd)) {
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
            frame[FRAME_CRC_OFFSET + 1] ^= 0x5A;
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
        LastReply_ = out.replies.back().frame;
        ++RepliesSent_;
    }
    // An answered GE starts a download: the scripted faults fire again.
    if (name == "GE" && accepted) ReadSinceInfo_.clear();
    if (!realSent) {
        out.note += state;
        return out;
    }
    out.note += (accepted ? ", replied O K" : ", replied N O") + state;
    return out;
}

} // namespace devicesim
