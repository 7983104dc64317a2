// Loads TELLURS.DLL the way the resident program does (by full path) and calls
// into it for the end-to-end tests. Like TELLUR.EXE it exports the interface
// number the library checks before it fills a record: this build's, or the
// number in TELLUR_PROBE_INTERFACE. Built with PROBE_WITHOUT_INTERFACE
// (library_probe_old.exe) it exports none, as a program from before the number.
//
//   library_probe.exe lookup <dll>          each entry found by its exact name
//   library_probe.exe dialog <dll>          TELLURS_00's start form; prints the result (only where it must fail)
//   library_probe.exe load <dll>            TELLURS_01 on the default records; prints result and records
//   library_probe.exe edit <dll> [size]     TELLURS_03 on a record of that size; prints result and some rules
//   library_probe.exe device <dll> [size]   TELLURS_04 on a record of that size; prints result and the values
//   library_probe.exe open-port <dll> <port> [<baud> <data> <stop> <parity> <flow>]
//        TELLURS_02; prints the result; on success sends "PING" and prints what arrives within 5 s;
//        on failure tells whether the caller's handle was left untouched
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <string>

#include "common/tellurs_entries.h"

#ifndef PROBE_WITHOUT_INTERFACE
extern "C" {
__declspec(dllexport) std::uint32_t TELLUR_INTERFACE = tellurin::kLibraryInterface;
}
#endif

namespace {

using tellurin::CommunicationSettings;
using tellurin::FunctionSettings;

std::string Narrow(const char16_t* text, std::size_t capacity) {
    std::string narrow;
    for (std::size_t index = 0; index < capacity && text[index] != u'\0'; ++index)
        narrow += static_cast<char>(text[index]);
    return narrow;
}

void CopyField(char16_t (&field)[tellurin::kSettingsTextUnits], const wchar_t* text) {
    std::size_t index = 0;
    for (; index + 1 < tellurin::kSettingsTextUnits && text[index] != L'\0'; ++index)
        field[index] = static_cast<char16_t>(text[index]);
    for (; index < tellurin::kSettingsTextUnits; ++index) field[index] = u'\0';
}

FARPROC Entry(HMODULE library, const char* name) {
    FARPROC entry = library != nullptr ? GetProcAddress(library, name) : nullptr;
    if (entry == nullptr) std::printf("%s not found\n", name);
    return entry;
}

int LookUp(HMODULE library) {
    int missing = 0;
    for (const char* name : {tellurin::kSettingsDialogEntryName, tellurin::kLoadSettingsEntryName,
                             tellurin::kOpenPortEntryName, tellurin::kLoadEditRulesEntryName,
                             tellurin::kLoadDeviceSettingsEntryName, tellurin::kLibraryInterfaceName}) {
        if (Entry(library, name) == nullptr) ++missing;
        else std::printf("%s found\n", name);
    }
    return missing;
}

int Load(HMODULE library) {
    auto load = reinterpret_cast<tellurin::LoadSettingsEntry>(Entry(library, tellurin::kLoadSettingsEntryName));
    if (load == nullptr) return 1;
    CommunicationSettings communication = tellurin::kDefaultCommunicationSettings;
    FunctionSettings function = tellurin::kDefaultFunctionSettings;
    const std::int32_t result = load(&communication, &function);
    std::printf("result=%d CommPort=%s BaudRate=%s Parity=%c DataBit=%c StopBit=%c FlowControl=%c Protocol=%c "
                "HeadKey=%04X TermKey1=%04X TermKey2=%04X KeySpeed=%X CapsLock=%c TrayIcon=%c CharacterCode=%c "
                "ImeOff=%c\n",
                static_cast<int>(result), Narrow(communication.CommPort, 7).c_str(),
                Narrow(communication.BaudRate, 7).c_str(), static_cast<char>(communication.Parity),
                static_cast<char>(communication.DataBit), static_cast<char>(communication.StopBit),
                static_cast<char>(communication.FlowControl), static_cast<char>(communication.Protocol),
                function.HeadKey, function.TermKey1, function.TermKey2, function.KeySpeed,
                static_cast<char>(function.CapsLock), static_cast<char>(function.TrayIcon),
                static_cast<char>(function.CharacterCode), static_cast<char>(function.ImeOff));
    return 0;
}

// TELLURS_03 on a record of the given size (the real one's by default),
// first filled with 0xFF so that a field the entry writes or leaves shows.
int LoadEditRules(HMODULE library, int argc, wchar_t** argv) {
    auto load = reinterpret_cast<tellurin::LoadEditRulesEntry>(Entry(library, tellurin::kLoadEditRulesEntryName));
    if (load == nullptr) return 1;
    tellurin::EditRules rules;
    std::memset(&rules, 0xFF, sizeof rules);
    rules.Size = argc >= 4 ? static_cast<std::uint32_t>(std::wcstoul(argv[3], nullptr, 10)) : sizeof rules;
    const std::int32_t result = load(&rules);
    std::printf("result=%d CutHead=%u FieldKey=%04X FieldSeparator=%s Suffix=%s\n", static_cast<int>(result),
                rules.CutHead, rules.FieldKey, Narrow(rules.FieldSeparator, 8).c_str(),
                Narrow(rules.Suffix, 16).c_str());
    return 0;
}

// TELLURS_04 likewise: a record of the given size, filled with 0xFF first.
int LoadDeviceSettings(HMODULE library, int argc, wchar_t** argv) {
    auto load = reinterpret_cast<tellurin::LoadDeviceSettingsEntry>(
        Entry(library, tellurin::kLoadDeviceSettingsEntryName));
    if (load == nullptr) return 1;
    tellurin::DeviceSettings device;
    std::memset(&device, 0xFF, sizeof device);
    device.Size = argc >= 4 ? static_cast<std::uint32_t>(std::wcstoul(argv[3], nullptr, 10)) : sizeof device;
    const std::int32_t result = load(&device);
    std::printf("result=%d FrameGap=%u RequestInterval=%lu RequestTimeout=%lu RequestHotKey=%04X "
                "RequestCommand=%s Reserved=%04X\n",
                static_cast<int>(result), device.FrameGap, static_cast<unsigned long>(device.RequestInterval),
                static_cast<unsigned long>(device.RequestTimeout), device.RequestHotKey,
                Narrow(device.RequestCommand, tellurin::kRequestCommandUnits).c_str(), device.Reserved);
    return 0;
}

// Started for real, the dialog would run on its own thread: call this only
// where the library must refuse.
int Dialog(HMODULE library) {
    auto dialog = reinterpret_cast<tellurin::SettingsDialogEntry>(Entry(library, tellurin::kSettingsDialogEntryName));
    if (dialog == nullptr) return 1;
    CommunicationSettings communication = tellurin::kDefaultCommunicationSettings;
    FunctionSettings function = tellurin::kDefaultFunctionSettings;
    std::printf("result=%d\n", static_cast<int>(dialog(GetDesktopWindow(), u"C:\\", &communication, &function)));
    return 0;
}

// Overlapped write of the whole text, then reads until `expected` bytes came or 5 s passed.
std::string Exchange(HANDLE port, const char* text, std::size_t expected) {
    OVERLAPPED block{};
    block.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD count = 0;
    if (!WriteFile(port, text, static_cast<DWORD>(std::strlen(text)), nullptr, &block) &&
        GetLastError() != ERROR_IO_PENDING)
        std::printf("write failed (error %lu)\n", GetLastError());
    GetOverlappedResult(port, &block, &count, TRUE);

    std::string received;
    const DWORD start = GetTickCount();
    while (received.size() < expected && GetTickCount() - start < 5000) {
        char buffer[64];
        block = OVERLAPPED{};
        block.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        count = 0;
        if (ReadFile(port, buffer, sizeof buffer, nullptr, &block) || GetLastError() == ERROR_IO_PENDING)
            GetOverlappedResult(port, &block, &count, TRUE);
        CloseHandle(block.hEvent);
        received.append(buffer, count);
        if (count == 0) Sleep(50);
    }
    return received;
}

int OpenPort(HMODULE library, int argc, wchar_t** argv) {
    auto open = reinterpret_cast<tellurin::OpenPortEntry>(Entry(library, tellurin::kOpenPortEntryName));
    if (open == nullptr) return 1;
    CommunicationSettings communication = tellurin::kDefaultCommunicationSettings;
    communication.FlowControl = u'N';  // Wine's driver declares no Xon/Xoff
    CopyField(communication.CommPort, argv[3]);
    if (argc >= 9) {
        CopyField(communication.BaudRate, argv[4]);
        communication.DataBit = static_cast<char16_t>(argv[5][0]);
        communication.StopBit = static_cast<char16_t>(argv[6][0]);
        communication.Parity = static_cast<char16_t>(argv[7][0]);
        communication.FlowControl = static_cast<char16_t>(argv[8][0]);
    }
    void* const marker = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x7E11));
    void* handle = marker;
    const std::int32_t result = open(communication, &handle);
    std::printf("result=0x%X\n", static_cast<unsigned>(result));
    if (result != 0) {
        std::printf("handle %s\n", handle == marker ? "untouched" : "changed");
        return 0;
    }
    const std::string received = Exchange(static_cast<HANDLE>(handle), "PING", 4);
    std::printf("received=%s\n", received.c_str());
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: library_probe lookup|load|edit|device|dialog|open-port <dll> ...\n");
        return 2;
    }
#ifndef PROBE_WITHOUT_INTERFACE
    if (const wchar_t* number = _wgetenv(L"TELLUR_PROBE_INTERFACE"))
        TELLUR_INTERFACE = static_cast<std::uint32_t>(std::wcstoul(number, nullptr, 10));
#endif
    HMODULE library = LoadLibraryExW(argv[2], nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) std::printf("cannot load library (error %lu)\n", GetLastError());
    int exitCode = 2;
    if (std::wcscmp(argv[1], L"lookup") == 0) exitCode = LookUp(library);
    else if (std::wcscmp(argv[1], L"load") == 0) exitCode = Load(library);
    else if (std::wcscmp(argv[1], L"dialog") == 0) exitCode = Dialog(library);
    else if (std::wcscmp(argv[1], L"edit") == 0) exitCode = LoadEditRules(library, argc, argv);
    else if (std::wcscmp(argv[1], L"device") == 0) exitCode = LoadDeviceSettings(library, argc, argv);
    else if (std::wcscmp(argv[1], L"open-port") == 0 && argc >= 4) exitCode = OpenPort(library, argc, argv);
    if (library != nullptr) FreeLibrary(library);
    return exitCode;
}
