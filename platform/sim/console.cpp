// The console: allocation, title, standard handles, the screen buffer's information and cursor, and
// writing and reading cells. One code unit per cell, a full-width character in two; new cells are
// spaces in light grey on black.
#include <algorithm>
#include <cstring>

#include "platform/sim/internal.h"

namespace novra {

namespace {

constexpr uint16_t default_attributes = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;

bool output_valid(HANDLE handle) {
    const SimConsole& console = sim.console;
    return handle == console_output_handle() && console.attached && console.output_open;
}

std::string coord_text(COORD coord) {
    return std::to_string(coord.X) + "," + std::to_string(coord.Y);
}

// Index of the cell at `coord`, or -1 when it lies outside the buffer.
int64_t cell_index(COORD coord) {
    const SimConsole& console = sim.console;
    if (coord.X < 0 || coord.Y < 0 || coord.X >= console.width || coord.Y >= console.height) return -1;
    return int64_t(coord.Y) * console.width + coord.X;
}

// Shared checks of the cell calls. Returns the start index; for a start outside the buffer the
// buffer's end, since the calls write and read up to the end of the buffer, which is then nothing, and
// succeed; -1 with the last error set for a handle that is not a live output.
int64_t cells_start(HANDLE output, COORD start, LPDWORD count) {
    if (count) *count = 0;
    if (!output_valid(output)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    int64_t index = cell_index(start);
    return index < 0 ? int64_t(sim.console.cells.size()) : index;
}

// Reads one field of `length` cells from `start` on, stopping at the buffer's end.
template <typename Value>
BOOL cells_read(HANDLE output, Value* values, DWORD length, COORD start, LPDWORD read,
                Value ConsoleCell::*field) {
    int64_t index = cells_start(output, start, read);
    if (index < 0) return FALSE;
    const SimConsole& console = sim.console;
    size_t count = std::min(size_t(length), console.cells.size() - size_t(index));
    for (size_t i = 0; i < count; ++i)
        values[i] = console.cells[size_t(index) + i].*field;
    if (read) *read = DWORD(count);
    return TRUE;
}

}  // namespace

// Full-width characters, as a Windows console with a CJK code page and font lays them out: each takes
// two cells, a leading and a trailing one, both holding the character (ReadConsoleOutputW reports them
// with COMMON_LVB_LEADING_BYTE and COMMON_LVB_TRAILING_BYTE). A character never straddles two rows:
// when only the row's last cell is left, that cell is blanked and the character starts the next row.
// Overwriting one half of a character blanks the other, so no half is ever left alone.
//
// Which characters are full-width depends on the console's font on Windows. This console judges each
// UTF-16 code unit alone with the line editor's own table, each half of a surrogate pair as two cells,
// so that the cells always agree with the columns the editor counts. In a buffer one column wide, where
// no two cells share a row, a full-width character takes one cell.
int console_unit_cells(char16_t unit) {
    const uint32_t value = unit;
    const bool narrow =
        value <= 0xFF || (value >= 0xFF61 && value <= 0xFF9F) || (value >= 0xFFE8 && value <= 0xFFEE);
    return narrow ? 1 : 2;
}

namespace {

void cell_blank(ConsoleCell& cell) {
    cell.ch = u' ';
    cell.half = CellHalf::whole;
}

// Writes `length` code units from cell `index` on, wrapping at the row's end and stopping at the
// buffer's end; returns the code units written. Attributes stay as they are.
DWORD cells_write(SimConsole& console, size_t index, const WCHAR* text, DWORD length) {
    std::vector<ConsoleCell>& cells = console.cells;
    const size_t width = size_t(console.width);
    if (index < cells.size() && cells[index].half == CellHalf::trailing && index > 0)
        cell_blank(cells[index - 1]);
    DWORD count = 0;
    for (; count < length && index < cells.size(); ++count) {
        const char16_t unit = text[count];
        if (console_unit_cells(unit) == 1 || width == 1) {
            cells[index].ch = unit;
            cells[index].half = CellHalf::whole;
            ++index;
            continue;
        }
        if (index % width == width - 1) {
            cell_blank(cells[index]);
            if (++index >= cells.size()) break;
        }
        cells[index].ch = cells[index + 1].ch = unit;
        cells[index].half = CellHalf::leading;
        cells[index + 1].half = CellHalf::trailing;
        index += 2;
    }
    if (index < cells.size() && cells[index].half == CellHalf::trailing) cell_blank(cells[index]);
    return count;
}

}  // namespace

}  // namespace novra

using namespace novra;

BOOL WINAPI AllocConsole() {
    if (calls_recorded()) call_record("AllocConsole", {});
    SimConsole& console = sim.console;
    if (console.attached) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const DriverHooks& driver = sim.driver;
    uint64_t version = console.version;
    console = SimConsole{};
    console.attached = console.std_handles = console.output_open = console.input_open = true;
    console.width = std::max<int16_t>(driver.console_width, 1);
    console.height = std::max<int16_t>(driver.console_height, 1);
    console.window_height = driver.console_window_height > 0
                                ? std::min(driver.console_window_height, console.height)
                                : console.height;
    console.cells.assign(size_t(console.width) * size_t(console.height),
                         ConsoleCell{u' ', default_attributes});
    console.attributes = default_attributes;
    console.version = version + 1;
    if (driver.console_allocated) driver.console_allocated();
    return TRUE;
}

BOOL WINAPI FreeConsole() {
    if (calls_recorded()) call_record("FreeConsole", {});
    SimConsole& console = sim.console;
    if (!console.attached) return TRUE;  // a process without a console may still free it
    console.attached = console.output_open = console.input_open = false;
    console.input.clear();
    if (sim.driver.console_freed) sim.driver.console_freed();
    return TRUE;
}

BOOL WINAPI SetConsoleTitleW(LPCWSTR title) {
    if (calls_recorded()) call_record("SetConsoleTitleW", {call_text(title)});
    if (!sim.console.attached) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    sim.console.title = title ? title : u"";
    ++sim.console.version;
    return TRUE;
}

HANDLE WINAPI GetStdHandle(DWORD std_handle) {
    if (calls_recorded()) call_record("GetStdHandle", {std::to_string(int32_t(std_handle))});
    if (std_handle != STD_INPUT_HANDLE && std_handle != STD_OUTPUT_HANDLE && std_handle != STD_ERROR_HANDLE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    // A GUI process has no standard handles until it allocates a console.
    if (!sim.console.std_handles) return nullptr;
    return std_handle == STD_INPUT_HANDLE ? console_input_handle() : console_output_handle();
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    if (calls_recorded()) call_record("CloseHandle", {call_handle(handle)});
    if (BOOL closed = FALSE; file_close(handle, closed)) return closed;
    SimConsole& console = sim.console;
    if (handle == console_output_handle() && console.attached && console.output_open) {
        console.output_open = false;
        return TRUE;
    }
    if (handle == console_input_handle() && console.attached && console.input_open) {
        console.input_open = false;
        return TRUE;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

BOOL WINAPI GetConsoleScreenBufferInfo(HANDLE output, PCONSOLE_SCREEN_BUFFER_INFO info) {
    if (calls_recorded()) call_record("GetConsoleScreenBufferInfo", {call_handle(output)});
    if (!output_valid(output)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const SimConsole& console = sim.console;
    info->dwSize = COORD{console.width, console.height};
    info->dwCursorPosition = console.cursor;
    info->wAttributes = console.attributes;
    info->srWindow = SMALL_RECT{0, console.window_top, SHORT(console.width - 1),
                                SHORT(console.window_top + console.window_height - 1)};
    info->dwMaximumWindowSize = COORD{console.width, console.window_height};
    return TRUE;
}

BOOL WINAPI SetConsoleCursorPosition(HANDLE output, COORD position) {
    if (calls_recorded())
        call_record("SetConsoleCursorPosition", {call_handle(output), coord_text(position)});
    if (!output_valid(output)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (cell_index(position) < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim.console.cursor = position;
    ++sim.console.version;
    return TRUE;
}

BOOL WINAPI WriteConsoleOutputCharacterW(HANDLE output, LPCWSTR text, DWORD length, COORD start,
                                         LPDWORD written) {
    if (calls_recorded()) {
        call_record("WriteConsoleOutputCharacterW",
                    {call_handle(output), std::to_string(length), coord_text(start),
                     text ? call_text(std::u16string(text, length).c_str()) : "null"});
    }
    int64_t index = cells_start(output, start, written);
    if (index < 0) return FALSE;
    if (!text && length > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SimConsole& console = sim.console;
    const DWORD count = cells_write(console, size_t(index), text, length);
    ++console.version;
    if (written) *written = count;
    return TRUE;
}

BOOL WINAPI ReadConsoleOutputCharacterW(HANDLE output, LPWSTR text, DWORD length, COORD start, LPDWORD read) {
    if (calls_recorded()) {
        call_record("ReadConsoleOutputCharacterW",
                    {call_handle(output), std::to_string(length), coord_text(start)});
    }
    return cells_read(output, text, length, start, read, &ConsoleCell::ch);
}

BOOL WINAPI ReadConsoleOutputAttribute(HANDLE output, LPWORD attributes, DWORD length, COORD start,
                                       LPDWORD read) {
    if (calls_recorded()) {
        call_record("ReadConsoleOutputAttribute",
                    {call_handle(output), std::to_string(length), coord_text(start)});
    }
    return cells_read(output, attributes, length, start, read, &ConsoleCell::attributes);
}
