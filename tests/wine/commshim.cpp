// For the tests under Wine only: lets QSerialPort read there. Wine 8.0 runs WaitCommEvent
// on a thread of its own that never tells the I/O completion port the handle is tied to,
// which is all Qt waits on (and with no event in the OVERLAPPED, as Qt calls it, Wine even
// blocks the caller until a byte comes); on a pseudo-terminal, which has no modem lines, it
// fails at once besides. Loaded into the program as a Qt generic plugin
// (QT_QPA_GENERIC_PLUGINS=commshim), this answers Qt Serial Port's own WaitCommEvent calls
// as a Windows serial driver does: pending, then completed on the port once bytes wait to
// be read, or cancelled by CancelIo. Nothing else of the program is touched.
#include <QGenericPlugin>

#include <windows.h>

#include <map>
#include <mutex>
#include <thread>

namespace {

using SetIoCompletion = LONG(WINAPI *)(HANDLE, ULONG_PTR, ULONG_PTR, LONG, ULONG_PTR);

constexpr LONG kSuccess = 0;
constexpr LONG kCancelled = static_cast<LONG>(0xC0000120); // STATUS_CANCELLED

struct Tie
{
    HANDLE port = nullptr;
    ULONG_PTR key = 0;
    unsigned cancels = 0; // CancelIo calls so far: a wait begun before one is over
};

std::mutex lock;
std::map<HANDLE, Tie> ties;

decltype(&CreateIoCompletionPort) realCreateIoCompletionPort;
decltype(&WaitCommEvent) realWaitCommEvent;
decltype(&CancelIo) realCancelIo;
SetIoCompletion setIoCompletion;

HANDLE WINAPI createIoCompletionPort(HANDLE file, HANDLE existing, ULONG_PTR key, DWORD threads)
{
    const HANDLE port = realCreateIoCompletionPort(file, existing, key, threads);
    if (port && file != INVALID_HANDLE_VALUE) {
        const std::lock_guard<std::mutex> guard(lock);
        ties[file] = {port, key, 0};
    }
    return port;
}

BOOL WINAPI cancelIo(HANDLE file)
{
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (auto it = ties.find(file); it != ties.end())
            ++it->second.cancels;
    }
    return realCancelIo(file);
}

// Polls for input as Wine's own wait does, every millisecond, and completes on the port.
void awaitInput(HANDLE file, DWORD *mask, OVERLAPPED *overlapped, Tie tie)
{
    for (;;) {
        {
            const std::lock_guard<std::mutex> guard(lock);
            const auto it = ties.find(file);
            if (it == ties.end() || it->second.cancels != tie.cancels)
                break;
        }
        DWORD errors = 0;
        COMSTAT status = {};
        if (!ClearCommError(file, &errors, &status))
            break;
        if (status.cbInQue > 0) {
            *mask = EV_RXCHAR;
            overlapped->Internal = kSuccess;
            overlapped->InternalHigh = sizeof(DWORD);
            setIoCompletion(tie.port, tie.key, reinterpret_cast<ULONG_PTR>(overlapped), kSuccess,
                            sizeof(DWORD));
            return;
        }
        Sleep(1);
    }
    *mask = 0;
    overlapped->Internal = static_cast<ULONG_PTR>(kCancelled);
    overlapped->InternalHigh = 0;
    setIoCompletion(tie.port, tie.key, reinterpret_cast<ULONG_PTR>(overlapped), kCancelled, 0);
}

BOOL WINAPI waitCommEvent(HANDLE file, DWORD *mask, OVERLAPPED *overlapped)
{
    Tie tie;
    {
        const std::lock_guard<std::mutex> guard(lock);
        const auto it = ties.find(file);
        if (!overlapped || it == ties.end())
            return realWaitCommEvent(file, mask, overlapped);
        tie = it->second;
    }
    overlapped->Internal = STATUS_PENDING;
    std::thread(awaitInput, file, mask, overlapped, tie).detach();
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

// Points the module's imports of `function` from kernel32 at `replacement`.
template <typename Function>
void redirect(HMODULE module, const char *name, Function replacement, Function &real)
{
    real = reinterpret_cast<Function>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
    auto *base = reinterpret_cast<BYTE *>(module);
    const auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto *library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         library->Name; ++library) {
        for (auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(base + library->FirstThunk);
             slot->u1.Function; ++slot) {
            if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(real))
                continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof(ULONG_PTR), protection, &protection);
        }
    }
}

} // namespace

class CommShim : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "commshim.json")
public:
    QObject *create(const QString &, const QString &) override
    {
        const HMODULE serialPort = GetModuleHandleW(L"Qt6SerialPort.dll");
        if (!serialPort)
            return nullptr;
        setIoCompletion = reinterpret_cast<SetIoCompletion>(reinterpret_cast<void *>(
            GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetIoCompletion")));
        redirect(serialPort, "CreateIoCompletionPort", &createIoCompletionPort,
                 realCreateIoCompletionPort);
        redirect(serialPort, "WaitCommEvent", &waitCommEvent, realWaitCommEvent);
        redirect(serialPort, "CancelIo", &cancelIo, realCancelIo);
        return new QObject(this);
    }
};

#include "commshim.moc"
