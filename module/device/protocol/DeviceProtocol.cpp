// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/protocol/DeviceProtocol.h"

#include "module/device/protocol/ScopeExit.h"

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
        static_cast<std::uint16_t>(frame[kFrameCrcOffset] << 8 | frame[kFrameCrcOffset + 1]);
    return ComputeCrc(frame, kFrameCrcOffset) == stored;
}

void SealFrame(TFrame& frame) {
    const std::uint16_t crc = ComputeCrc(frame.data(), kFrameCrcOffset);
    frame[kFrameCrcOffset] = static_cast<std::uint8_t>(crc >> 8);
    frame[kFrameCrcOffset + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

TFrame BuildFrame(TDeviceCommand cmd, std::uint8_t status1, std::uint8_t status2,
                  const std::uint8_t* data64) {
    TFrame frame{};
    frame[6] = static_cast<std::uint8_t>(cmd.c1);
    frame[7] = static_cast<std::uint8_t>(cmd.c2);
    frame[8] = status1;
    frame[9] = status2;
    if (data64 != nullptr) std::memcpy(frame.data() + kFrameDataOffset, data64, kFrameDataSize);
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

namespace {

// GetMemoryBlock arguments: 2, then the block number in four bytes.
constexpr std::size_t kBlockNumberAt = 1;

// SetUserRecord data: ticket, card code, then the in-use flag and the active flag.
constexpr std::size_t kUserTicketAt = 0;
constexpr std::size_t kUserCodeAt = 4;
constexpr std::size_t kUserInUseAt = 20;
constexpr std::size_t kUserActiveAt = 21;

// Where the texts of a device information reply lie in its data area; the firmware
// version text starts it.
struct TInfoTexts {
    std::size_t versionWidth;
    std::size_t dateTime;
    std::size_t firmwareVer;
    std::size_t hardwareVer;
};
constexpr TInfoTexts kInfoTextsA{17, 17, 42, 46};
constexpr TInfoTexts kInfoTextsB{10, 10, 35, 39};
constexpr std::size_t kDateTimeWidth = 25;
constexpr std::size_t kVerWidth = 4;
// The numbers of a device information reply.
constexpr std::size_t kMemoryTypeAt = 50;
constexpr std::size_t kEepromSizeAt = 51;
constexpr int kEepromSizeBytes = 3;
constexpr std::size_t kSdcardSizeAt = 54;
constexpr std::size_t kUsersCountAt = 58;
constexpr std::size_t kMaxLogRecordsAt = 60;

const TInfoTexts& InfoTexts(TDeviceInfoLayout layout) {
    return layout == TDeviceInfoLayout::B ? kInfoTextsB : kInfoTextsA;
}

std::string Characters(const std::string& text, std::size_t first, std::size_t count) {
    return first < text.size() ? text.substr(first, count) : std::string();
}

} // namespace

TCommandArgs MemoryBlockArgs(std::uint32_t block) {
    TCommandArgs args{2};
    WriteBigEndian(args.data() + kBlockNumberAt, block, 4);
    return args;
}

std::uint32_t MemoryBlockOf(const std::uint8_t* args) {
    return ReadBigEndian(args + kBlockNumberAt, 4);
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
    WriteBigEndian(data.data() + kUserTicketAt, accessTicketId, 4);
    WriteBigEndian(data.data() + kUserCodeAt, code, 4);
    data[kUserInUseAt] = 0x80;
    data[kUserActiveAt] = active ? 1 : 0;
    return data;
}

TUserRecord UserRecordOf(const std::uint8_t* data64) {
    return {ReadBigEndian(data64 + kUserTicketAt, 4), ReadBigEndian(data64 + kUserCodeAt, 4),
            (data64[kUserActiveAt] & 1) != 0};
}

bool ParseDeviceInfo(const std::uint8_t* datagram, std::size_t len, TDeviceInfo& info) {
    if (len < kFrameSize) return false;
    const std::string_view whole(reinterpret_cast<const char*>(datagram), len);
    const bool layoutA = whole.find(kLayoutAModel) != std::string_view::npos;
    const bool layoutB = whole.find(kLayoutBModel) != std::string_view::npos;
    if (!layoutA && !layoutB) return false;

    const std::uint8_t* data = datagram + kFrameDataOffset;
    const auto* textEnd = static_cast<const std::uint8_t*>(std::memchr(data, 0, kFrameDataSize));
    const std::string text(reinterpret_cast<const char*>(data),
                           textEnd != nullptr ? static_cast<std::size_t>(textEnd - data) : kFrameDataSize);
    const auto ver = [data](std::size_t at) {
        return std::string(reinterpret_cast<const char*>(data + at), kVerWidth);
    };
    const auto readTexts = [&](const TInfoTexts& at) {
        info.firmwareVersion = Characters(text, 0, at.versionWidth);
        info.firmwareDateTime = Characters(text, at.dateTime, kDateTimeWidth);
        info.firmwareVer = ver(at.firmwareVer);
        info.hardwareVer = ver(at.hardwareVer);
    };
    if (layoutA) readTexts(InfoTexts(TDeviceInfoLayout::A));
    if (layoutB) readTexts(InfoTexts(TDeviceInfoLayout::B));
    info.memoryType = data[kMemoryTypeAt];
    info.eepromMemSize = ReadBigEndian(data + kEepromSizeAt, kEepromSizeBytes);
    info.sdcardMemSize = ReadBigEndian(data + kSdcardSizeAt, 4);
    info.usersCount = static_cast<std::uint16_t>(ReadBigEndian(data + kUsersCountAt, 2));
    info.maxLogRecords = ReadBigEndian(data + kMaxLogRecordsAt, 4);
    return true;
}

TFrameData DeviceInfoData(const TDeviceInfo& info, TDeviceInfoLayout layout) {
    TFrameData data{};
    const auto put = [&data](std::size_t at, const std::string& text, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i)
            data[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
    };
    const TInfoTexts& at = InfoTexts(layout);
    put(0, info.firmwareVersion, at.versionWidth);
    put(at.dateTime, info.firmwareDateTime, kDateTimeWidth);
    put(at.firmwareVer, info.firmwareVer, kVerWidth);
    put(at.hardwareVer, info.hardwareVer, kVerWidth);
    data[kMemoryTypeAt] = info.memoryType;
    WriteBigEndian(data.data() + kEepromSizeAt, info.eepromMemSize, kEepromSizeBytes);
    WriteBigEndian(data.data() + kSdcardSizeAt, info.sdcardMemSize, 4);
    WriteBigEndian(data.data() + kUsersCountAt, info.usersCount, 2);
    WriteBigEndian(data.data() + kMaxLogRecordsAt, info.maxLogRecords, 4);
    return data;
}

TDeviceProtocol::TDeviceProtocol(std::uint8_t initialReceiveState)
    : ReceiveState(initialReceiveState) {
    m_endpoint.SetExclusivePort(true);
    m_endpoint.SetHandler(
        [this](const std::uint8_t* data, std::size_t len, const TUdpPeer& from, std::int64_t arrivedUs) {
            if (!FromDevice(from)) {
                ++m_foreignDatagrams;
                return;
            }
            IdUDPServer1UDPRead(data, len, arrivedUs);
        });
}

TDeviceProtocol::~TDeviceProtocol() {
    m_endpoint.Deactivate();
}

void TDeviceProtocol::DoCrc(std::uint8_t byte) {
    ::DoCrc(Crc, byte);
}

std::string TDeviceProtocol::FIRMWARE_VERSION() const {
    std::lock_guard lock(m_infoMutex);
    return m_firmwareVersion;
}

std::string TDeviceProtocol::FIRMWARE_DATE_TIME() const {
    std::lock_guard lock(m_infoMutex);
    return m_firmwareDateTime;
}

std::string TDeviceProtocol::FIRMWARE_VER() const {
    std::lock_guard lock(m_infoMutex);
    return m_firmwareVer;
}

std::string TDeviceProtocol::HARDWARE_VER() const {
    std::lock_guard lock(m_infoMutex);
    return m_hardwareVer;
}

void TDeviceProtocol::SetFrameSender(TFrameSender sender) {
    m_frameSender = std::move(sender);
}

void TDeviceProtocol::ArmDeadline() {
    TimeOutForResponse = 40;
    TimeOutForResponseEnabled = true;
}

TSendOutcome TDeviceProtocol::SendFrame(const TFrame& frame) {
    const bool sent = m_frameSender ? m_frameSender(UDPServerIP, UDPServerPort, frame)
                                    : m_endpoint.Send(UDPServerIP, UDPServerPort, frame.data(), frame.size());
    if (sent) return TSendOutcome::Sent;
    // Nothing went out, so nothing is awaited.
    m_lastSendError = m_frameSender ? 0 : m_endpoint.LastError();
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
    return SendUDPCommand(kCmdGetDeviceInfo.c1, kCmdGetDeviceInfo.c2, {});
}

TSendOutcome TDeviceProtocol::RequestRelayDelays() {
    ReceiveState = rsRelayDelays;
    return SendUDPCommand(kCmdGetRelayDelays.c1, kCmdGetRelayDelays.c2, {});
}

TSendOutcome TDeviceProtocol::RequestRelayMode(std::uint8_t mode) {
    ReceiveState = rsRelayModeAck;
    return SendUDPCommand(kCmdSetRelayMode.c1, kCmdSetRelayMode.c2, RelayModeArgs(DelayR1, DelayR2, mode));
}

TSendOutcome TDeviceProtocol::RequestClock(const TCommandArgs& clockArgs) {
    ReceiveState = rsClockAck;
    return SendUDPCommand(kCmdSetClock.c1, kCmdSetClock.c2, clockArgs);
}

TSendOutcome TDeviceProtocol::RequestUserRecord(std::uint32_t accessTicketId, std::int64_t cardCode,
                                                bool active) {
    const TFrameData data = UserRecordData(accessTicketId, cardCode, active);
    ReceiveState = rsUserRecordAck;
    return SendUDPCommandFull(kCmdSetUserRecord.c1, kCmdSetUserRecord.c2, data.data());
}

TSendOutcome TDeviceProtocol::SendGetMemoryBlock(std::uint32_t block) {
    return SendUDPCommand(kCmdGetMemoryBlock.c1, kCmdGetMemoryBlock.c2, MemoryBlockArgs(block));
}

std::uint32_t TDeviceProtocol::MemBlockCount() const {
    // A device reporting more memory than the image holds is read as far as the image goes.
    return std::min(EEPROM_MEM_SIZE.load() / kMemBlockSize, kMaxMemBlocks);
}

bool TDeviceProtocol::OpenEndpoint(const std::string& localIp, int udpPort) {
    m_endpoint.Deactivate();
    UDPServerIP = localIp;
    UDPServerPort = udpPort;
    m_deviceAddress = localIp;
    m_adoptDeviceAddress = IsBroadcastAddress(localIp);
    // A device with an address of its own is heard on the local address that reaches
    // it, bound without reuse: no other program can read its replies there. A
    // broadcast reaches devices through every interface.
    const std::string routed = m_adoptDeviceAddress ? std::string() : RoutedLocalAddress(localIp, udpPort);
    m_endpoint.SetBindAddress(routed.empty() ? "0.0.0.0" : routed);
    m_endpoint.SetDefaultPort(udpPort);
    m_endpoint.SetBroadcastEnabled(true);
    m_endpoint.SetPumpHandler(Pump);
    m_endpoint.Activate();
    return m_endpoint.Active();
}

void TDeviceProtocol::CloseEndpoint() {
    m_endpoint.Deactivate();
}

void TDeviceProtocol::ShowError(const char* text) {
    if (ShowErrorBox)
        ShowErrorBox(kErrorBoxTitle, text);
    else
        std::fprintf(stderr, "%s: %s\n", kErrorBoxTitle, text);
}

bool TDeviceProtocol::FromDevice(const TUdpPeer& from) {
    // The protocol fixes the port a device listens on, not the one it answers from.
    if (m_adoptDeviceAddress) {
        // A broadcast reaches every device on the segment; the first that answers is read.
        m_deviceAddress = from.address;
        m_adoptDeviceAddress = false;
    }
    return from.address == m_deviceAddress;
}

void TDeviceProtocol::IdUDPServer1UDPRead(const std::uint8_t* data, std::size_t len, std::int64_t arrivedUs) {
    ZabraniSlanje = true;
    // Cleared on every way out, also when an error box or a notification throws.
    const TScopeExit clear([this] { ZabraniSlanje = false; });

    if (data == nullptr || len < kFrameSize) return;
    len = std::min(len, kReceiveBufferSize);
    if (Intercept) return Intercept(data, len, arrivedUs);
    HandleReply(data, len);
}

void TDeviceProtocol::HandleReply(const std::uint8_t* data, std::size_t len) {
    if (data == nullptr || len < kFrameSize) return;
    len = std::min(len, kReceiveBufferSize);
    const bool crcOk = FrameCrcOk(data);

    if (!crcOk) return;
    const std::uint8_t state = ReceiveState.load();

    switch (state) {
    case rsDeviceInfo: {
        // The values first, then the state that tells a waiting owner they are there.
        const TScopeExit announce([this] {
            TimeOutForResponseEnabled = false;
            ReceiveState = rsIdle;
        });
        TDeviceInfo info;
        if (!ParseDeviceInfo(data, len, info)) break;
        {
            std::lock_guard lock(m_infoMutex);
            m_firmwareVersion = info.firmwareVersion;
            m_firmwareDateTime = info.firmwareDateTime;
            m_firmwareVer = info.firmwareVer;
            m_hardwareVer = info.hardwareVer;
        }
        MEMORY_TYPE = info.memoryType;
        EEPROM_MEM_SIZE = info.eepromMemSize;
        SDCARD_MEM_SIZE = info.sdcardMemSize;
        USERS_COUNT_FROM_DEVICE = info.usersCount;
        MAX_LOG_RECORDS = info.maxLogRecords;
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
            ShowError(kUserRecordRefusedErr);
        else if (!(data[8] == 'O' && data[9] == 'K'))
            ShowError(kUnclearReplyErr);
        break;
    case rsRelayDelays:
        DelayR1 = data[kFrameDataOffset];
        DelayR2 = data[kFrameDataOffset + 1];
        TimeOutForResponseEnabled = false;
        ReceiveState = rsIdle;
        break;
    default:
        break; // idle or start value: consumed without effect
    }
}
