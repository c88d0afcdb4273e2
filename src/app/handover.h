#pragma once
// The hand-over of a path from another program to a running main window (Windows: the
// WM_COPYDATA message; elsewhere: a local socket carrying the same record). Both transports
// decode through decodeHandOverText and act through handleHandOver, so a path means the same
// whichever way it came.
//
// Local-socket record (little-endian): 8 bytes dwData (ignored), 4 bytes cbData, then cbData
// bytes of UTF-16LE text whose last character is the terminating NUL. The window answers with
// the message result, 8 bytes, always 0, once it has acted on the path.
#include <QString>
#include <cstdint>
#include <memory>

namespace app {

class TForm1;

// The path in a COPYDATASTRUCT payload: the first cbData / 2 - 1 UTF-16LE characters (integer
// division); the last character is dropped without being looked at. cbData 0, 1 or 2 give an
// empty path.
QString decodeHandOverText(const void* data, std::uint32_t cbData);

// Decodes the payload and hands the path to the window (a folder is searched, a file added,
// anything else ignored). Returns the message result, which is 0 in every case.
std::intptr_t handleHandOver(TForm1& form, const void* data, std::uint32_t cbData);

// Payloads larger than this are refused unread: no path comes near it.
inline constexpr std::uint32_t kMaxHandOverBytes = 1u << 20;

// Listens for hand-overs addressed to one window for as long as it lives.
class HandOverServer {
public:
    explicit HandOverServer(TForm1& form);
    ~HandOverServer();
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    // Where other programs find this window: the socket's full path ("epub-polcaro-<pid>.sock"
    // in $XDG_RUNTIME_DIR, else the temporary folder); on Windows the window's handle in hex.
    // Empty when listening failed.
    QString address() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace app
