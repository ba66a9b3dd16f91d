#include "ui/save_readings.h"

#include <commdlg.h>

#include <array>
#include <string>
#include <string_view>

#include "core/readings_log.h"
#include "ui/readings.h"
#include "win32/error_message.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

constexpr const char* kNotWrittenText =
    "The readings could not be saved in that file. Please choose another place; "
    "the readings are kept.";

// The file the user names, or false when the dialog was cancelled.
bool askForFile(HWND owner, std::array<wchar_t, MAX_PATH>& path)
{
    path = {};
    constexpr std::wstring_view kDefaultName = L"readings.csv";
    kDefaultName.copy(path.data(), kDefaultName.size());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = L"csv";
    dialog.lpstrTitle = L"Save Readings";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return GetSaveFileNameW(&dialog) != FALSE;
}

// Writes `bytes` into the file at `path`, replacing it; false when the file
// could not be written in full.
bool writeWholeFile(const wchar_t* path, const std::string& bytes)
{
    UniqueKernelHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) != FALSE &&
           written == bytes.size();
}

} // namespace

void saveReadingsTo(HWND owner, const wchar_t* path)
{
    if (!writeWholeFile(path, readingsCsv(readingsLog())))
        showError(owner, kNotWrittenText, kErrorCaption, MB_ICONEXCLAMATION);
}

void saveReadings(HWND owner)
{
    std::array<wchar_t, MAX_PATH> path{};
    if (askForFile(owner, path))
        saveReadingsTo(owner, path.data());
}

} // namespace tensikon
