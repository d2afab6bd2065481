#include "module/device/DeviceProtocol.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>

void DoCrc(std::uint16_t& crc, std::uint8_t byte) {
    std::uint16_t c = static_cast<std::uint16_t>((crc >> 8) | (crc << 8));
    c ^= byte;
    c ^= static_cast<std::uint16_t>((c & 0xFF) >> 4);
    c ^= static_cast<std::uint16_t>(c << 12);
    c ^= static_cast<std::uint16_t>((c & 0xFF) << 5);
    crc = c;
}

std::uint16_t ComputeCrc(const std::uint8_t* data, std::size_t len) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < len; ++i)
        DoCrc(crc, data[i]);
    return crc;
}

bool FrameCrcOk(const std::uint8_t* frame) {
    const std::uint16_t stored =
        static_cast<std::uint16_t>(frame[FRAME_CRC_OFFSET] << 8 | frame[FRAME_CRC_OFFSET + 1]);
    return ComputeCrc(frame, FRAME_CRC_OFFSET) == stored;
}

void SealFrame(TFrame& frame) {
    const std::uint16_t crc = ComputeCrc(frame.data(), FRAME_CRC_OFFSET);
    frame[FRAME_CRC_OFFSET] = static_cast<std::uint8_t>(crc >> 8);
    frame[FRAME_CRC_OFFSET + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

TFrame BuildFrame(TDeviceCommand cmd, std::uint8_t status1, std::uint8_t status2,
                  const std::uint8_t* data64) {
    TFrame frame{};
    frame[6] = static_cast<std::uint8_t>(cmd.c1);
    frame[7] = static_cast<std::uint8_t>(cmd.c2);
    frame[8] = status1;
    frame[9] = status2;
    if (data64 != nullptr) std::memcpy(frame.data() + FRAME_DATA_OFFSET, data64, FRAME_DATA_SIZE);
    SealFrame(frame);
    return frame;
}

TFrame BuildShortFrame(TDeviceCommand cmd, const TCommandArgs& args) {
    TFrameData data{};
    std::copy(args.begin(), args.end(), data.begin());
    return BuildFrame(cmd, 0x00, 0x00, data.data());
}

TFrame BuildLongFrame(TDeviceCommand cmd, const std::uint8_t* data64) {
    return BuildFrame(cmd, 0x30, 0x30, data64);
}

TCommandArgs MemoryBlockArgs(std::uint32_t block) {
    return {2,
            static_cast<std::uint8_t>(block >> 24),
            static_cast<std::uint8_t>(block >> 16),
            static_cast<std::uint8_t>(block >> 8),
            static_cast<std::uint8_t>(block),
            0,
            0,
            0};
}

TCommandArgs RelayModeArgs(std::uint8_t delayR1, std::uint8_t delayR2, std::uint8_t mode) {
    return {delayR1, delayR2, mode, 0, 0, 0, 0, 0};
}

TCommandArgs ClockArgs(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                       unsigned second) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    const unsigned dayOfWeek = weekday{date}.c_encoding() + 1; // 1 = Sunday
    return {static_cast<std::uint8_t>(hour),      static_cast<std::uint8_t>(minute),
            static_cast<std::uint8_t>(second),    static_cast<std::uint8_t>((year - 2000) & 0xFF),
            static_cast<std::uint8_t>(month),     static_cast<std::uint8_t>(day),
            static_cast<std::uint8_t>(dayOfWeek), 0};
}

TFrameData UserRecordData(std::uint32_t accessTicketId, std::int64_t cardCode, bool active) {
    const auto code = static_cast<std::uint32_t>(static_cast<std::uint64_t>(cardCode) & 0xFFFFFFFFu);
    TFrameData data{};
    for (int i = 0; i < 4; ++i) {
        data[i] = static_cast<std::uint8_t>(accessTicketId >> (24 - 8 * i));
        data[4 + i] = static_cast<std::uint8_t>(code >> (24 - 8 * i));
    }
    data[20] = 0x80;
    data[21] = active ? 1 : 0;
    return data;
}

namespace {

std::uint32_t BigEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

std::string Characters(const std::string& text, std::size_t first, std::size_t count) {
    return first < text.size() ? text.substr(first, count) : std::string();
}

} // namespace

bool ParseDeviceInfo(const std::uint8_t* datagram, std::size_t len, TDeviceInfo& info) {
    if (len < FRAME_SIZE) return false;
    const std::string_view whole(reinterpret_cast<const char*>(datagram), len);
    const bool layoutA = whole.find("Koldar") != std::string_view::npos;
    const bool layoutB = whole.find("Tarmisoni") != std::string_view::npos;
    if (!layoutA && !layoutB) return false;

    const std::uint8_t* data = datagram + FRAME_DATA_OFFSET;
    const auto* textEnd = static_cast<const std::uint8_t*>(std::memchr(data, 0, FRAME_DATA_SIZE));
    const std::string text(reinterpret_cast<const char*>(data),
                           textEnd != nullptr ? static_cast<std::size_t>(textEnd - data) : FRAME_DATA_SIZE);
    const auto four = [data](std::size_t at) {
        return std::string(reinterpret_cast<const char*>(data + at), 4);
    };
    if (layoutA) {
        info.FirmwareVersion = Characters(text, 0, 17);
        info.FirmwareDateTime = Characters(text, 17, 25);
        info.FirmwareVer = four(42);
        info.HardwareVer = four(46);
    }
    if (layoutB) {
        info.FirmwareVersion = Characters(text, 0, 10);
        info.FirmwareDateTime = Characters(text, 10, 25);
        info.FirmwareVer = four(35);
        info.HardwareVer = four(39);
    }
    info.MemoryType = data[50];
    info.EepromMemSize = BigEndian(data + 51, 3);
    info.SdcardMemSize = BigEndian(data + 54, 4);
    info.UsersCount = static_cast<std::uint16_t>(BigEndian(data + 58, 2));
    info.MaxLogRecords = BigEndian(data + 60, 4);
    return true;
}

TDeviceProtocol::TDeviceProtocol(std::uint8_t initialReceiveState)
    : ReceiveState(initialReceiveState), RcvMemBuffer(RCV_MEM_BUFFER_SIZE, 0) {
    Endpoint_.SetExclusivePort(true);
    Endpoint_.SetHandler([this](const std::uint8_t* data, std::size_t len, const TUdpPeer& from) {
        if (!FromDevice(from)) {
            ++ForeignDatagrams_;
            return;
        }
        IdUDPServer1UDPRead(data, len);
    });
}

TDeviceProtocol::~TDeviceProtocol() {
    Endpoint_.Deactivate();
}

void TDeviceProtocol::DoCrc(std::uint8_t byte) {
    ::DoCrc(Crc, byte);
}

std::string TDeviceProtocol::FIRMWARE_VERSION() const {
    std::lock_guard lock(InfoMutex_);
    return FirmwareVersion_;
}

std::string TDeviceProtocol::FIRMWARE_DATE_TIME() const {
    std::lock_guard lock(InfoMutex_);
    return FirmwareDateTime_;
}

std::string TDeviceProtocol::FIRMWARE_VER() const {
    std::lock_guard lock(InfoMutex_);
    return FirmwareVer_;
}

std::string TDeviceProtocol::HARDWARE_VER() const {
    std::lock_guard lock(InfoMutex_);
    return HardwareVer_;
}

void TDeviceProtocol::SetFrameSender(TFrameSender sender) {
    FrameSender_ = std::move(sender);
}

void TDeviceProtocol::ArmDeadline() {
    TimeOutForResponse = 40;
    TimeOutForResponseEnabled = true;
}

TSendOutcome TDeviceProtocol::SendFrame(const TFrame& frame) {
    const bool sent = FrameSender_ ? FrameSender_(UDPServerIP, UDPServerPort, frame)
                                   : Endpoint_.Send(UDPServerIP, UDPServerPort, frame.data(), frame.size());
    if (sent) return TSendOutcome::Sent;
    // Nothing went out, so nothing is awaited.
    LastSendError_ = FrameSender_ ? 0 : Endpoint_.LastError();
    TimeOutForResponseEnabled = false;
    return TSendOutcome::Failed;
}

TSendOutcome TDeviceProtocol::SendUDPCommand(char c1, char c2, const TCommandArgs& args) {
    if (ZabraniSlanje.load()) return TSendOutcome::Held;
    ArmDeadline();
    return SendFrame(BuildShortFrame({c1, c2}, args));
}

TSendOutcome TDeviceProtocol::SendUDPCommandFull(char c1, char c2, const std::uint8_t* data64) {
    ArmDeadline();
    return SendFrame(BuildLongFrame({c1, c2}, data64));
}

TSendOutcome TDeviceProtocol::RequestDeviceInfo() {
    ReceiveState = rsDeviceInfo;
    return SendUDPCommand(cmdGetDeviceInfo.c1, cmdGetDeviceInfo.c2, {});
}

TSendOutcome TDeviceProtocol::RequestRelayDelays() {
    ReceiveState = rsRelayDelays;
    return SendUDPCommand(cmdGetRelayDelays.c1, cmdGetRelayDelays.c2, {});
}

TSendOutcome TDeviceProtocol::RequestRelayMode(std::uint8_t mode) {
    ReceiveState = rsRelayModeAck;
    return SendUDPCommand(cmdSetRelayMode.c1, cmdSetRelayMode.c2, RelayModeArgs(DelayR1, DelayR2, mode));
}

TSendOutcome TDeviceProtocol::RequestClock(const TCommandArgs& clockArgs) {
    ReceiveState = rsClockAck;
    return SendUDPCommand(cmdSetClock.c1, cmdSetClock.c2, clockArgs);
}

TSendOutcome TDeviceProtocol::RequestUserRecord(std::uint32_t accessTicketId, std::int64_t cardCode,
                                                bool active) {
    const TFrameData data = UserRecordData(accessTicketId, cardCode, active);
    ReceiveState = rsUserRecordAck;
    return SendUDPCommandFull(cmdSetUserRecord.c1, cmdSetUserRecord.c2, data.data());
}

TSendOutcome TDeviceProtocol::SendGetMemoryBlock(std::uint32_t block) {
    return SendUDPCommand(cmdGetMemoryBlock.c1, cmdGetMemoryBlock.c2, MemoryBlockArgs(block));
}

void TDeviceProtocol::BeginMemoryRead() {
    MemReadAddress = 0;
    SendForNextMemPacket = true;
    TimeOutMemReadCounter = 0;
    BadCRCRetry = 0;
    ReceiveState = rsMemoryBlock;
    MemReadIsInProgress = true;
}

TSendOutcome TDeviceProtocol::SendNextMemPacket() {
    if (!SendForNextMemPacket.exchange(false)) return TSendOutcome::Held;
    const TSendOutcome outcome = SendGetMemoryBlock(MemReadAddress.load());
    // Held because a reply is being handled: the next step sends it, instead of the
    // deadline four seconds later.
    if (outcome == TSendOutcome::Held) SendForNextMemPacket = true;
    return outcome;
}

void TDeviceProtocol::ReplyWatchdogTick() {
    if (!TimeOutForResponseEnabled.load()) return;
    const std::uint16_t left = TimeOutForResponse.load();
    if (left > 0) {
        TimeOutForResponse = static_cast<std::uint16_t>(left - 1);
        return;
    }
    if (MemReadIsInProgress.load()) {
        const std::uint8_t expired = static_cast<std::uint8_t>(TimeOutMemReadCounter.load() + 1);
        TimeOutMemReadCounter = expired;
        if (expired < 5) {
            TimeOutForResponse = 20;
            SendForNextMemPacket = true;
            return;
        }
    }
    TimeOutForResponseEnabled = false;
    ReceiveState = rsIdle;
    MemReadIsInProgress = false;
}

std::uint32_t TDeviceProtocol::MemBlockCount() const {
    // A device reporting more memory than the image holds is read as far as the image goes.
    return std::min(EEPROM_MEM_SIZE.load() / MEM_BLOCK_SIZE, MAX_MEM_BLOCKS);
}

bool TDeviceProtocol::OpenEndpoint(const std::string& localIp, int udpPort) {
    Endpoint_.Deactivate();
    UDPServerIP = localIp;
    UDPServerPort = udpPort;
    DeviceAddress_ = localIp;
    AdoptDeviceAddress_ = IsBroadcastAddress(localIp);
    // A device with an address of its own is heard on the local address that reaches
    // it, bound without reuse: no other program can read its replies there. A
    // broadcast reaches devices through every interface.
    const std::string routed = AdoptDeviceAddress_ ? std::string() : RoutedLocalAddress(localIp, udpPort);
    Endpoint_.SetBindAddress(routed.empty() ? "0.0.0.0" : routed);
    Endpoint_.SetDefaultPort(udpPort);
    Endpoint_.SetBroadcastEnabled(true);
    Endpoint_.Activate();
    return Endpoint_.Active();
}

void TDeviceProtocol::CloseEndpoint() {
    Endpoint_.Deactivate();
}

void TDeviceProtocol::ShowError(const char* text) {
    if (ShowErrorBox)
        ShowErrorBox(ERROR_BOX_TITLE, text);
    else
        std::fprintf(stderr, "%s: %s\n", ERROR_BOX_TITLE, text);
}

bool TDeviceProtocol::FromDevice(const TUdpPeer& from) {
    // The protocol fixes the port a device listens on, not the one it answers from.
    if (AdoptDeviceAddress_) {
        // A broadcast reaches every device on the segment; the first that answers is read.
        DeviceAddress_ = from.address;
        AdoptDeviceAddress_ = false;
    }
    return from.address == DeviceAddress_;
}

void TDeviceProtocol::IdUDPServer1UDPRead(const std::uint8_t* data, std::size_t len) {
    ZabraniSlanje = true;
    // Cleared on every way out, also when an error box or a notification throws.
    struct ClearOnExit {
        std::atomic<bool>& flag;
        ~ClearOnExit() { flag = false; }
    } clear{ZabraniSlanje};

    if (data == nullptr || len < FRAME_SIZE) return;
    len = std::min(len, RECEIVE_BUFFER_SIZE);
    if (Intercept) return Intercept(data, len);
    HandleReply(data, len);
}

void TDeviceProtocol::HandleReply(const std::uint8_t* data, std::size_t len) {
    if (data == nullptr || len < FRAME_SIZE) return;
    len = std::min(len, RECEIVE_BUFFER_SIZE);
    const bool crcOk = FrameCrcOk(data);

    const std::uint8_t state = ReceiveState.load();
    if (state == rsMemoryBlock) {
        HandleMemoryBlock(data, crcOk);
        return;
    }
    if (!crcOk) return;

    switch (state) {
    case rsDeviceInfo: {
        // The values first, then the state that tells a waiting owner they are there.
        struct Announce {
            TDeviceProtocol& p;
            ~Announce() {
                p.TimeOutForResponseEnabled = false;
                p.ReceiveState = rsIdle;
            }
        } announce{*this};
        TDeviceInfo info;
        if (!ParseDeviceInfo(data, len, info)) break;
        {
            std::lock_guard lock(InfoMutex_);
            FirmwareVersion_ = info.FirmwareVersion;
            FirmwareDateTime_ = info.FirmwareDateTime;
            FirmwareVer_ = info.FirmwareVer;
            HardwareVer_ = info.HardwareVer;
        }
        MEMORY_TYPE = info.MemoryType;
        EEPROM_MEM_SIZE = info.EepromMemSize;
        SDCARD_MEM_SIZE = info.SdcardMemSize;
        USERS_COUNT_FROM_DEVICE = info.UsersCount;
        MAX_LOG_RECORDS = info.MaxLogRecords;
        break;
    }
    case rsRelayModeAck:
    case rsClockAck:
        ReceiveState = rsIdle;
        TimeOutForResponseEnabled = false;
        break;
    case rsUserRecordAck:
        ReceiveState = rsIdle;
        TimeOutForResponseEnabled = false;
        if (data[8] == 'N' && data[9] == 'O')
            ShowError(USER_RECORD_REFUSED_ERR);
        else if (!(data[8] == 'O' && data[9] == 'K'))
            ShowError(UNCLEAR_REPLY_ERR);
        break;
    case rsRelayDelays:
        DelayR1 = data[FRAME_DATA_OFFSET];
        DelayR2 = data[FRAME_DATA_OFFSET + 1];
        TimeOutForResponseEnabled = false;
        ReceiveState = rsIdle;
        break;
    default:
        break; // idle or start value: consumed without effect
    }
}

void TDeviceProtocol::HandleMemoryBlock(const std::uint8_t* frame, bool crcOk) {
    const std::uint32_t blocks = MemBlockCount();
    if (crcOk) {
        const std::uint32_t address = MemReadAddress.load();
        if (address == 0 && OnMemReadStarted) OnMemReadStarted(blocks);
        // A stray block (the owner moved MemReadAddress, or the read went past the image)
        // is counted but never written outside the image.
        if (address < MAX_MEM_BLOCKS)
            std::memcpy(RcvMemBuffer.data() + std::size_t{address} * MEM_BLOCK_SIZE,
                        frame + FRAME_DATA_OFFSET, FRAME_DATA_SIZE);
        BadCRCRetry = 0;
        TimeOutMemReadCounter = 0;
        MemReadAddress = address + 1;
        if (OnMemBlockDone) OnMemBlockDone(address + 1);
    } else {
        const std::uint8_t bad = static_cast<std::uint8_t>(BadCRCRetry.load() + 1);
        BadCRCRetry = bad;
        if (bad > 5) {
            MemReadAddress = blocks;
            ReceiveState = rsIdle;
            MemReadIsInProgress = false;
        }
    }

    // The device protocol stops before the last block (address < blocks - 1). With no
    // whole block (memory under 64 bytes) that test would wrap around and never end, so
    // such a read ends at its first reply.
    const std::uint32_t address = MemReadAddress.load();
    const bool more = ReadLastBlock.load() ? address < blocks : (blocks > 0 && address < blocks - 1);
    if (more) {
        SendForNextMemPacket = true;
        return;
    }
    EndMemoryRead();
}

void TDeviceProtocol::EndMemoryRead() {
    {
        // The read is over even when the owner's end-of-read work throws; only the
        // import command then stays disabled.
        struct EndState {
            TDeviceProtocol& p;
            ~EndState() {
                p.ReceiveState = rsIdle;
                p.MemReadIsInProgress = false;
                p.TimeOutForResponseEnabled = false;
            }
        } endState{*this};
        if (OnMemReadEnded) OnMemReadEnded();
    }
    if (OnImportEnabled) OnImportEnabled();
}
