#include "link/win32/win32_system.h"

#include <windows.h>

namespace kvx {
namespace {

static_assert(kWinErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kWinErrorPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(kWinErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kNoParity == NOPARITY && kOneStopBit == ONESTOPBIT);
static_assert(kDtrControlDisable == DTR_CONTROL_DISABLE);
static_assert(kRtsControlDisable == RTS_CONTROL_DISABLE);
static_assert(kPurgeReceiveClear == PURGE_RXCLEAR);

CommState FromDcb(const DCB& dcb) {
  CommState state;
  state.baudRate = dcb.BaudRate;
  state.binary = dcb.fBinary != 0;
  state.parity = dcb.fParity != 0;
  state.outxCtsFlow = dcb.fOutxCtsFlow != 0;
  state.outxDsrFlow = dcb.fOutxDsrFlow != 0;
  state.dtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
  state.dsrSensitivity = dcb.fDsrSensitivity != 0;
  state.txContinueOnXoff = dcb.fTXContinueOnXoff != 0;
  state.outX = dcb.fOutX != 0;
  state.inX = dcb.fInX != 0;
  state.errorChar = dcb.fErrorChar != 0;
  state.null = dcb.fNull != 0;
  state.rtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
  state.abortOnError = dcb.fAbortOnError != 0;
  state.dummy2 = dcb.fDummy2;
  state.reserved = dcb.wReserved;
  state.xonLim = dcb.XonLim;
  state.xoffLim = dcb.XoffLim;
  state.byteSize = dcb.ByteSize;
  state.parityKind = dcb.Parity;
  state.stopBits = dcb.StopBits;
  state.xonChar = dcb.XonChar;
  state.xoffChar = dcb.XoffChar;
  state.errorCharValue = dcb.ErrorChar;
  state.eofChar = dcb.EofChar;
  state.evtChar = dcb.EvtChar;
  state.reserved1 = dcb.wReserved1;
  return state;
}

DCB ToDcb(const CommState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = state.baudRate;
  dcb.fBinary = state.binary;
  dcb.fParity = state.parity;
  dcb.fOutxCtsFlow = state.outxCtsFlow;
  dcb.fOutxDsrFlow = state.outxDsrFlow;
  dcb.fDtrControl = state.dtrControl & 0x3u;
  dcb.fDsrSensitivity = state.dsrSensitivity;
  dcb.fTXContinueOnXoff = state.txContinueOnXoff;
  dcb.fOutX = state.outX;
  dcb.fInX = state.inX;
  dcb.fErrorChar = state.errorChar;
  dcb.fNull = state.null;
  dcb.fRtsControl = state.rtsControl & 0x3u;
  dcb.fAbortOnError = state.abortOnError;
  dcb.fDummy2 = state.dummy2 & 0x1FFFFu;
  dcb.wReserved = state.reserved;
  dcb.XonLim = state.xonLim;
  dcb.XoffLim = state.xoffLim;
  dcb.ByteSize = state.byteSize;
  dcb.Parity = state.parityKind;
  dcb.StopBits = state.stopBits;
  dcb.XonChar = state.xonChar;
  dcb.XoffChar = state.xoffChar;
  dcb.ErrorChar = state.errorCharValue;
  dcb.EofChar = state.eofChar;
  dcb.EvtChar = state.evtChar;
  dcb.wReserved1 = state.reserved1;
  return dcb;
}

class RealSystem final : public Win32System {
 public:
  PortHandle CreateFileA(const std::string& name) override {
    return ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  }
  bool SetupComm(PortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) override {
    return ::SetupComm(port, inQueue, outQueue) != 0;
  }
  bool GetCommProperties(PortHandle port) override {
    COMMPROP properties{};
    return ::GetCommProperties(port, &properties) != 0;
  }
  bool GetCommState(PortHandle port, CommState& state) override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (::GetCommState(port, &dcb) == 0) return false;
    state = FromDcb(dcb);
    return true;
  }
  bool SetCommState(PortHandle port, const CommState& state) override {
    DCB dcb = ToDcb(state);
    return ::SetCommState(port, &dcb) != 0;
  }
  bool SetCommTimeouts(PortHandle port, const CommTimeouts& timeouts) override {
    COMMTIMEOUTS record{timeouts.readInterval, timeouts.readTotalMultiplier,
                        timeouts.readTotalConstant, timeouts.writeTotalMultiplier,
                        timeouts.writeTotalConstant};
    return ::SetCommTimeouts(port, &record) != 0;
  }
  bool ReadFile(PortHandle port, std::uint8_t* bytes, std::uint32_t n,
                std::uint32_t& got) override {
    DWORD count = 0;
    const bool ok = ::ReadFile(port, bytes, n, &count, nullptr) != 0;
    got = count;
    return ok;
  }
  bool WriteFile(PortHandle port, const std::uint8_t* bytes, std::uint32_t n,
                 std::uint32_t& written) override {
    DWORD count = 0;
    const bool ok = ::WriteFile(port, bytes, n, &count, nullptr) != 0;
    written = count;
    return ok;
  }
  bool ClearCommError(PortHandle port) override {
    DWORD errors = 0;
    COMSTAT status{};
    return ::ClearCommError(port, &errors, &status) != 0;
  }
  bool PurgeComm(PortHandle port, std::uint32_t flags) override {
    return ::PurgeComm(port, flags) != 0;
  }
  bool CloseHandle(PortHandle port) override { return ::CloseHandle(port) != 0; }
  std::uint32_t GetTickCount() override { return ::GetTickCount(); }
  void Sleep(std::uint32_t ms) override { ::Sleep(ms); }
  std::uint32_t LastError() override { return ::GetLastError(); }

  std::string MessageText(std::uint32_t error) override {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (length == 0) return "error " + std::to_string(error);
    std::string message(text, length);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
      message.pop_back();
    }
    return message;
  }
};

}  // namespace

Win32System& RealWin32System() {
  static RealSystem system;
  return system;
}

}  // namespace kvx
