// The conversation with the Micromite over the link port: connect, send a text and collect what
// came back after a fixed wait, and read what has arrived with the moment it was found.
#pragma once

#include <cstddef>
#include <string>

constexpr std::size_t LinkBufferSize = 5000;

// Makes the receive and transmit buffers (at start-up) and frees them (at shut-down).
void MakeLinkBuffers();
void FreeLinkBuffers();

// Opens the link port with the configured port and speed unless it is open already. Logs the
// outcome; when the port cannot be opened, also tells the user in a message box.
bool Connect();
void Disconnect();

// count line delays in milliseconds, computed in 64 bits and held to the longest pause that
// PauseMilliseconds takes: the configured line delay has no upper bound.
int LineDelays(int count);

// Sends the text (nothing when it is empty), waits delay milliseconds (0: the line delay) and
// gives whatever arrived meanwhile, possibly nothing.
std::wstring SendAndCollect(const std::wstring& text, int delayMilliseconds);

// Never waits: gives the input waiting now, or the empty text. When input was waiting, the
// performance counter was read into App.ArrivalStamp after it was found and before it was read.
std::wstring ReadAvailableText();
// The same as raw bytes, zero bytes and all; tookAll says whether the read took everything that
// was waiting (the buffer holds 5000 bytes).
std::string ReadAvailableBytes(bool& tookAll);

// The link port's raw transfers: -1 when the link port is not open.
long WriteLink(const char* bytes, std::size_t count);
long ReadLink(char* buffer, std::size_t capacity);

// The wire's one byte per character in the ANSI code page. Decoding stops at the first zero
// byte.
std::string EncodeWireText(const std::wstring& text);
std::wstring DecodeWireText(const char* bytes, std::size_t count);

// The word every start-up banner of the controller's firmware holds ("... MMBasic Ver ...").
inline const std::wstring StartUpBannerMark = L"MMBasic";

// Something says the chip at the other end may be another one now: the first such sign since the
// chip's last run is the one the log gives (App.NewChipSign).
void NoteNewChipSign(const std::wstring& why);

// A text from the controller that holds its start-up banner: it was reset or powered anew, and
// the chip may be another (App.NewChipSign).
void NoteStartUpBanner(const std::wstring& text);
