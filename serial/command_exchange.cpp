#include "serial/command_exchange.h"

#include "platform/clock.h"
#include "platform/text_encoding.h"
#include "serial/serial_port.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/log_view.h"
#include "window/main_controls.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr int LinkQueueSize = 8192;

// Sends the bytes through the transmit buffer, in pieces that leave room for the zero byte that
// ends each piece there, so that no text is cut or written past the buffer.
void SendWireBytes(const std::string& bytes) {
    std::vector<char>& buffer = App.TransmitBuffer;
    if (buffer.size() < 2)
        return;
    const std::size_t pieceSize = buffer.size() - 1;
    for (std::size_t sent = 0; sent < bytes.size(); sent += pieceSize) {
        const std::size_t count = std::min(pieceSize, bytes.size() - sent);
        std::memcpy(buffer.data(), bytes.data() + sent, count);
        buffer[count] = '\0';
        WriteLink(buffer.data(), count);
    }
}

} // namespace

void MakeLinkBuffers() {
    App.ReceiveBuffer.assign(LinkBufferSize, '\0');
    App.TransmitBuffer.assign(LinkBufferSize, '\0');
}

void FreeLinkBuffers() {
    std::vector<char>().swap(App.ReceiveBuffer);
    std::vector<char>().swap(App.TransmitBuffer);
}

bool Connect() {
    if (IsPortOpen(LinkPortSlot))
        return true;
    const std::uint32_t speed = static_cast<std::uint32_t>(ParseInteger(App.SerialSpeed));
    if (OpenPort(LinkPortSlot, App.ComPort, speed, 0, 8, 1.0f, HandshakeNone, LinkQueueSize,
                 LinkQueueSize) == 0) {
        AppendLogLine(L"Master not found!");
        ShowMessage(L"OOPS!", L"Master not found! " + App.ComPort + L":" + App.SerialSpeed);
        return false;
    }
    AppendLogLine(L"Connected to Master at " + App.SerialSpeed);
    return true;
}

void Disconnect() {
    if (!IsPortOpen(LinkPortSlot))
        return;
    // A device that stopped answering was unplugged: what is plugged in next may be another.
    if (PortLost(LinkPortSlot)) {
        NoteNewChipSign(L"the Micromite's port was lost");
        App.NewLinkSign = true;
    }
    ClosePort(LinkPortSlot);
}

int LineDelays(int count) {
    const std::int64_t milliseconds = std::int64_t{count} * App.LineDelay;
    return static_cast<int>(std::clamp<std::int64_t>(milliseconds, 0, INT32_MAX));
}

std::wstring SendAndCollect(const std::wstring& text, int delayMilliseconds) {
    if (delayMilliseconds == 0)
        delayMilliseconds = App.LineDelay;
    if (!text.empty())
        SendWireBytes(EncodeWireText(text));
    PauseMilliseconds(delayMilliseconds);
    std::vector<char>& buffer = App.ReceiveBuffer;
    const long received = ReadLink(buffer.data(), buffer.size());
    const std::wstring reply =
        received >= 1 ? DecodeWireText(buffer.data(), static_cast<std::size_t>(received))
                      : std::wstring();
    NoteStartUpBanner(reply);
    return reply;
}

std::wstring ReadAvailableText() {
    bool tookAll = false;
    const std::string bytes = ReadAvailableBytes(tookAll);
    return DecodeWireText(bytes.data(), bytes.size());
}

std::string ReadAvailableBytes(bool& tookAll) {
    tookAll = true;
    if (!IsPortOpen(LinkPortSlot))
        return std::string();
    const std::uint32_t waiting = PendingInput(LinkPortSlot);
    if (waiting == 0)
        return std::string();
    App.ArrivalStamp = QueryCounter();
    std::vector<char>& buffer = App.ReceiveBuffer;
    const std::size_t wanted = std::min<std::size_t>(waiting, buffer.size());
    const std::size_t got = ReadPort(LinkPortSlot, buffer.data(), wanted);
    tookAll = got == waiting;
    return std::string(buffer.data(), got);
}

long WriteLink(const char* bytes, std::size_t count) {
    if (!IsPortOpen(LinkPortSlot))
        return -1;
    return static_cast<long>(WritePort(LinkPortSlot, bytes, count));
}

long ReadLink(char* buffer, std::size_t capacity) {
    if (!IsPortOpen(LinkPortSlot))
        return -1;
    const std::uint32_t waiting = PendingInput(LinkPortSlot);
    if (waiting == 0)
        return 0;
    return static_cast<long>(
        ReadPort(LinkPortSlot, buffer, std::min<std::size_t>(waiting, capacity)));
}

void NoteNewChipSign(const std::wstring& why) {
    if (App.NewChipSign.empty())
        App.NewChipSign = why;
}

void NoteStartUpBanner(const std::wstring& text) {
    if (text.find(StartUpBannerMark) != std::wstring::npos)
        NoteNewChipSign(L"the Micromite started up afresh (its banner came)");
}

std::string EncodeWireText(const std::wstring& text) {
    return AnsiFromWide(text);
}

std::wstring DecodeWireText(const char* bytes, std::size_t count) {
    const char* zero = static_cast<const char*>(std::memchr(bytes, '\0', count));
    return WideFromAnsi(bytes, zero ? static_cast<std::size_t>(zero - bytes) : count);
}
