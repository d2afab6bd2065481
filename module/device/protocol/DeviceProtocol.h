// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The access devices' UDP request/reply protocol: 76-byte frames with a
// CRC-16/XMODEM checksum, and one protocol instance per owning dialog kind.
// Nothing here touches a widget or the database.

#include "module/device/protocol/DeviceMemory.h"
#include "module/device/protocol/UdpEndpoint.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Expected-reply states (ReceiveState). 0 is the card-management instance's start value.
inline constexpr std::uint8_t rsDeviceInfo = 1;
inline constexpr std::uint8_t rsRelayModeAck = 8;
inline constexpr std::uint8_t rsClockAck = 11;
inline constexpr std::uint8_t rsUserRecordAck = 12;
inline constexpr std::uint8_t rsRelayDelays = 15;
inline constexpr std::uint8_t rsIdle = 20;
inline constexpr std::uint8_t rsMemoryBlock = 21;

struct TDeviceCommand {
    char c1;
    char c2;
};
inline constexpr TDeviceCommand kCmdGetDeviceInfo{'G', 'E'};
inline constexpr TDeviceCommand kCmdGetMemoryBlock{'G', 'B'};
inline constexpr TDeviceCommand kCmdGetRelayDelays{'G', 'D'};
inline constexpr TDeviceCommand kCmdSetRelayMode{'S', 'D'};
inline constexpr TDeviceCommand kCmdSetClock{'S', 'T'};
inline constexpr TDeviceCommand kCmdSetUserRecord{'S', 'E'};

inline constexpr std::size_t kFrameSize = 76;
inline constexpr std::size_t kFrameDataOffset = 10; // data byte n is frame byte 10 + n
inline constexpr std::size_t kFrameDataSize = 64;
inline constexpr std::size_t kFrameCrcOffset = 74;
inline constexpr std::size_t kReceiveBufferSize = TUdpEndpoint::kReceiveBufferSize;

inline constexpr std::uint32_t kMemBlockSize = 64;
// The largest memory image read: 8000 blocks, 512,000 bytes.
inline constexpr std::uint32_t kMaxMemBlocks = 8000;

inline constexpr char kErrorBoxTitle[] = "Error";
inline constexpr char kUserRecordRefusedErr[] = "Greska! Upis korisnika NEUSPESAN!";
inline constexpr char kUnclearReplyErr[] = "Odgovor iz uredjaja nejasan!";

using TFrame = std::array<std::uint8_t, kFrameSize>;

// What became of a request: sent, held back because a reply is being handled at that
// moment (the caller keeps it due), or refused by the operating system.
enum class TSendOutcome { Sent, Held, Failed };
using TCommandArgs = std::array<std::uint8_t, 8>;
using TFrameData = std::array<std::uint8_t, kFrameDataSize>;

// One checksum step on the register `crc` (CRC-16/XMODEM, one byte at a time).
void DoCrc(std::uint16_t& crc, std::uint8_t byte);
// Checksum of `len` bytes starting from a zero register.
std::uint16_t ComputeCrc(const std::uint8_t* data, std::size_t len);
// True when bytes 74-75 hold the checksum of bytes 0-73; `frame` must hold 76 bytes.
bool FrameCrcOk(const std::uint8_t* frame);
// Stores the checksum of bytes 0-73 into bytes 74 (high) and 75 (low).
void SealFrame(TFrame& frame);

// A sealed frame with the given command, status pair and 64 data bytes. The device
// side builds its replies with it as well.
TFrame BuildFrame(TDeviceCommand cmd, std::uint8_t status1, std::uint8_t status2, const std::uint8_t* data64);
// Short form: status 0x00 0x00, eight argument bytes, the rest of the data area zero.
TFrame BuildShortFrame(TDeviceCommand cmd, const TCommandArgs& args);
// Long form: status 0x30 0x30 and exactly 64 data bytes from `data64`.
TFrame BuildLongFrame(TDeviceCommand cmd, const std::uint8_t* data64);

TCommandArgs MemoryBlockArgs(std::uint32_t block);
// The block that GetMemoryBlock arguments ask for (the device side reads them so).
std::uint32_t MemoryBlockOf(const std::uint8_t* args);
TCommandArgs RelayModeArgs(std::uint8_t delayR1, std::uint8_t delayR2, std::uint8_t mode);
// Clock arguments for a local wall-clock reading; the day of week (1 = Sunday) is derived.
TCommandArgs ClockArgs(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                       unsigned second);
// Data area of SetUserRecord; only the low 32 bits of the card code travel.
TFrameData UserRecordData(std::uint32_t accessTicketId, std::int64_t cardCode, bool active);
// The card that a SetUserRecord data area carries (the device side reads it so).
TUserRecord UserRecordOf(const std::uint8_t* data64);

struct TDeviceInfo {
    std::string firmwareVersion;
    std::string firmwareDateTime;
    std::string firmwareVer;
    std::string hardwareVer;
    std::uint8_t memoryType = 0;
    std::uint32_t eepromMemSize = 0; // 24 bits travel
    std::uint32_t sdcardMemSize = 0;
    std::uint16_t usersCount = 0;
    std::uint32_t maxLogRecords = 0;
};

// The two layouts of the device information texts, told apart by the model names.
enum class TDeviceInfoLayout { A, B };
inline constexpr char kLayoutAModel[] = "Koldar";
inline constexpr char kLayoutBModel[] = "Tarmisoni";

// Reads a device information reply of `len` bytes (at least 76) into `info`. The model
// texts are searched in the whole datagram; "Koldar" selects layout A, "Tarmisoni"
// layout B, and B is read last so its values stand when both occur. Returns false and
// leaves `info` alone when neither text occurs.
bool ParseDeviceInfo(const std::uint8_t* datagram, std::size_t len, TDeviceInfo& info);
// The data area of a device information reply (the device side builds it so): each
// text padded with blanks, or cut, to the width its layout gives it.
TFrameData DeviceInfoData(const TDeviceInfo& info, TDeviceInfoLayout layout);

// One protocol instance: the state shared by the owner's (UI) thread and the endpoint's
// listener thread, the sends, the reply handler and the deadline tick. Items that both
// threads write are atomics, so the handshake rests on plain sequentially consistent
// stores: ReceiveState before a send, ZabraniSlanje around the whole handler run.
class TDeviceProtocol {
public:
    using TErrorBox = std::function<void(const std::string& title, const std::string& text)>;
    using TFrameSender = std::function<bool(const std::string& address, int port, const TFrame& frame)>;

    explicit TDeviceProtocol(std::uint8_t initialReceiveState = 0);
    ~TDeviceProtocol();
    TDeviceProtocol(const TDeviceProtocol&) = delete;
    TDeviceProtocol& operator=(const TDeviceProtocol&) = delete;

    // Checksum register for callers that fold bytes themselves. Sends and the reply
    // handler use registers of their own, so the two threads never share this one.
    std::uint16_t Crc = 0;
    void DoCrc(std::uint8_t byte);

    std::atomic<std::uint8_t> ReceiveState;
    std::atomic<bool> ZabraniSlanje{false};
    std::atomic<std::uint16_t> TimeOutForResponse{0};
    std::atomic<bool> TimeOutForResponseEnabled{false};

    // Destination of requests; written and read on the owner's thread only.
    std::string UDPServerIP;
    std::int32_t UDPServerPort = 0;

    std::atomic<std::uint8_t> DelayR1{0};
    std::atomic<std::uint8_t> DelayR2{0};

    std::atomic<std::uint32_t> EEPROM_MEM_SIZE{0};
    std::atomic<std::uint32_t> SDCARD_MEM_SIZE{0};
    std::atomic<std::uint16_t> USERS_COUNT_FROM_DEVICE{0};
    std::atomic<std::uint32_t> MAX_LOG_RECORDS{0};
    std::atomic<std::uint8_t> MEMORY_TYPE{0};
    std::string FIRMWARE_VERSION() const;
    std::string FIRMWARE_DATE_TIME() const;
    std::string FIRMWARE_VER() const;
    std::string HARDWARE_VER() const;

    // Set these before the endpoint is activated; they run on the listener thread.
    // An error box runs while ZabraniSlanje is set; without one the text goes to stderr.
    TErrorBox ShowErrorBox;
    // When set, every datagram of at least 76 bytes from the device goes here instead of
    // the reply rules, on the listener thread while ZabraniSlanje is set, with the time it
    // arrived (SteadyMicros); the owner applies the rules itself with HandleReply. Must
    // not throw.
    std::function<void(const std::uint8_t* datagram, std::size_t len, std::int64_t arrivedUs)> Intercept;
    // When set at OpenEndpoint, the endpoint's pump (TUdpEndpoint::TPumpHandler): an owner
    // that runs its exchange on the listener thread sends and keeps its deadlines there.
    std::function<std::int64_t(std::int64_t nowUs)> Pump;

    // Replaces the endpoint as the way frames leave (tests, tools). Owner's thread only.
    void SetFrameSender(TFrameSender sender);

    // Short form; held (no frame, no deadline) while ZabraniSlanje is set.
    TSendOutcome SendUDPCommand(char c1, char c2, const TCommandArgs& args);
    // Long form; always sent. Exactly 64 bytes are read from `data64`.
    TSendOutcome SendUDPCommandFull(char c1, char c2, const std::uint8_t* data64);
    // The OS error of the last failed send (0 when a test sender failed).
    int LastSendError() const { return m_lastSendError.load(); }

    // Each sets ReceiveState and then sends the command.
    TSendOutcome RequestDeviceInfo();
    TSendOutcome RequestRelayDelays();
    TSendOutcome RequestRelayMode(std::uint8_t mode); // with the delays last reported
    TSendOutcome RequestClock(const TCommandArgs& clockArgs);
    TSendOutcome RequestUserRecord(std::uint32_t accessTicketId, std::int64_t cardCode, bool active);
    // GetMemoryBlock for `block`; ReceiveState is left as it is.
    TSendOutcome SendGetMemoryBlock(std::uint32_t block);

    // Whole blocks of a memory of EEPROM_MEM_SIZE bytes, no more than kMaxMemBlocks.
    std::uint32_t MemBlockCount() const;

    // Opens the endpoint for an access point: deactivates it if still active, sets the
    // destination, binds the same port on all interfaces with broadcast permitted and
    // activates. The port is held for this endpoint alone: a second Horlo endpoint on it,
    // in this process or another, does not activate. Only datagrams from the device's
    // address and port reach the handler; for a broadcast address, from the first device
    // that answers. Returns Active(); on failure the endpoint keeps the OS error.
    bool OpenEndpoint(const std::string& localIp, int udpPort);
    void CloseEndpoint();
    TUdpEndpoint& Endpoint() { return m_endpoint; }

    // The reply handler, called on the listener thread for each datagram. What a callback
    // throws leaves it after ZabraniSlanje is cleared (and, at the end of a read, after the
    // read is over); on the listener thread it reaches the endpoint's error handler.
    void IdUDPServer1UDPRead(const std::uint8_t* data, std::size_t len, std::int64_t arrivedUs = 0);
    // The reply rules for one datagram, without ZabraniSlanje: the handler's own work, and
    // what an owner that intercepts datagrams runs for those it accepts.
    void HandleReply(const std::uint8_t* data, std::size_t len);

    // Datagrams that came from another address or port than the device's, and were dropped.
    long ForeignDatagrams() const { return m_foreignDatagrams.load(); }

private:
    TSendOutcome SendFrame(const TFrame& frame);
    bool FromDevice(const TUdpPeer& from);
    void ArmDeadline();
    void ShowError(const char* text);

    mutable std::mutex m_infoMutex;
    std::string m_firmwareVersion;
    std::string m_firmwareDateTime;
    std::string m_firmwareVer;
    std::string m_hardwareVer;

    TFrameSender m_frameSender;
    std::atomic<int> m_lastSendError{0};
    // The device's address as the listener thread sees it: set before activation, and
    // for a broadcast destination taken from the first answer (listener thread only).
    std::string m_deviceAddress;
    bool m_adoptDeviceAddress = false;
    std::atomic<long> m_foreignDatagrams{0};
    TUdpEndpoint m_endpoint;
};
