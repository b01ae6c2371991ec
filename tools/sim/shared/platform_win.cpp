#include "shared/platform.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <io.h>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>

namespace sim {

namespace {

// UTF-8 and UTF-16 both ways; what does not convert becomes U+FFFD.
std::wstring wide_of(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string utf8_of_wide(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

bool is_console(DWORD std_handle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(std_handle), &mode) != 0;
}

}  // namespace

std::vector<std::string> program_arguments(int argc, const char* const* argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(utf8_of_wide(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::filesystem::path path_from_utf8(const std::string& text) { return std::filesystem::path(wide_of(text)); }

std::string utf8_of(const std::filesystem::path& path) { return utf8_of_wide(path.native()); }

namespace {

// The bytes of a stream to a console, shown as the UTF-8 text they are: every
// whole character goes to the console as UTF-16; a character cut at the end
// of the buffer waits for its other bytes.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(buffer_, buffer_ + sizeof buffer_); }
    ~ConsoleBuffer() override { sync(); }
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

protected:
    int_type overflow(int_type c) override {
        if (!write_whole_characters()) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    int sync() override { return write_whole_characters() ? 0 : -1; }

private:
    // How many of the bytes make whole UTF-8 characters (a stray byte counts as one).
    static std::size_t whole_characters(const char* bytes, std::size_t size) {
        std::size_t lead = size;
        while (lead > 0 && size - lead < 4) {
            --lead;
            const auto byte = static_cast<unsigned char>(bytes[lead]);
            if ((byte & 0xC0) == 0x80) continue;
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return lead + length > size ? lead : size;
        }
        return size;
    }

    bool write_whole_characters() {
        const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
        const std::size_t whole = whole_characters(pbase(), size);
        const std::wstring wide = wide_of(std::string(pbase(), whole));
        DWORD written = 0;
        const bool ok = wide.empty() ||
                        WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
        const std::size_t rest = size - whole;
        std::memmove(buffer_, pbase() + whole, rest);
        setp(buffer_, buffer_ + sizeof buffer_);
        pbump(static_cast<int>(rest));
        return ok;
    }

    HANDLE console_;
    char buffer_[4096];
};

}  // namespace

struct ConsoleText::Streams {
    std::unique_ptr<ConsoleBuffer> out;
    std::unique_ptr<ConsoleBuffer> err;
    std::streambuf* previous_out = nullptr;
    std::streambuf* previous_err = nullptr;
};

ConsoleText::ConsoleText() : streams_(std::make_unique<Streams>()) {
    if (is_console(STD_OUTPUT_HANDLE)) {
        streams_->out = std::make_unique<ConsoleBuffer>(GetStdHandle(STD_OUTPUT_HANDLE));
        streams_->previous_out = std::cout.rdbuf(streams_->out.get());
    }
    if (is_console(STD_ERROR_HANDLE)) {
        streams_->err = std::make_unique<ConsoleBuffer>(GetStdHandle(STD_ERROR_HANDLE));
        streams_->previous_err = std::cerr.rdbuf(streams_->err.get());
    }
}

ConsoleText::~ConsoleText() {
    std::cout.flush();
    std::cerr.flush();
    if (streams_->previous_out != nullptr) std::cout.rdbuf(streams_->previous_out);
    if (streams_->previous_err != nullptr) std::cerr.rdbuf(streams_->previous_err);
}

// Large pages need a privilege the tool's users do not hold.
void advise_large_buffer(const void*, std::size_t) {}

bool stderr_is_terminal() { return _isatty(_fileno(stderr)) != 0; }

std::filesystem::path executable_directory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer).parent_path();
        }
        buffer.resize(buffer.size() * 2);
    }
}

unsigned long process_id() { return GetCurrentProcessId(); }

bool open_with_default_program(const std::filesystem::path& file) {
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", file.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // ShellExecute reports success with a value above 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

struct MappedFile::Mapping {
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    const void* view = nullptr;
};

MappedFile::MappedFile(const std::filesystem::path& file) : mapping_(std::make_unique<Mapping>()) {
    Mapping& m = *mapping_;
    m.file = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size{};
    if (m.file == INVALID_HANDLE_VALUE || GetFileType(m.file) != FILE_TYPE_DISK || GetFileSizeEx(m.file, &size) == 0 ||
        size.QuadPart <= 0) {
        return;
    }
    m.mapping = CreateFileMappingW(m.file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (m.mapping == nullptr) return;
    m.view = MapViewOfFile(m.mapping, FILE_MAP_READ, 0, 0, 0);
    if (m.view != nullptr) bytes_ = std::string_view(static_cast<const char*>(m.view), static_cast<std::size_t>(size.QuadPart));
}

MappedFile::~MappedFile() {
    if (mapping_->view != nullptr) UnmapViewOfFile(mapping_->view);
    if (mapping_->mapping != nullptr) CloseHandle(mapping_->mapping);
    if (mapping_->file != INVALID_HANDLE_VALUE) CloseHandle(mapping_->file);
}

bool console_is_own() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

}  // namespace sim
