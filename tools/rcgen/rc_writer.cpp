#include "tools/rcgen/rc_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>

namespace {

// Appends printf-style formatted numbers; every format here is far shorter
// than the buffer.
void AppendFormat(std::string* out, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (length > 0) out->append(buffer, std::min<size_t>(length, sizeof(buffer) - 1));
}

// The data's text as an rc string literal; a missing text is an empty one.
std::string Literal(const char* text) {
    return RcStringLiteral(text != nullptr ? text : "");
}

// `style` as an rc style expression. The compiler ORs the `added` bits into
// what the script says, so those the data leaves clear are cleared again with NOT.
std::string StyleExpression(DWORD style, DWORD added) {
    std::string expression;
    AppendFormat(&expression, "0x%08lX", static_cast<unsigned long>(style));
    if (DWORD cleared = added & ~style; cleared != 0) {
        AppendFormat(&expression, " | NOT 0x%08lX", static_cast<unsigned long>(cleared));
    }
    return expression;
}

// The rc compilers begin every CONTROL statement's style with WS_CHILD |
// WS_VISIBLE. Templates that are never shown (format strings kept in the
// dialog) lack WS_VISIBLE and keep it clear this way.
std::string ControlStyle(DWORD style) {
    return StyleExpression(style, WS_CHILD | WS_VISIBLE);
}

// STYLE replaces the compilers' default dialog style, but CAPTION adds
// WS_CAPTION; STYLE is written after it and clears WS_CAPTION when the data does.
std::string DialogStyle(DWORD style, bool hasCaption) {
    return StyleExpression(style, hasCaption ? WS_CAPTION : 0);
}

void WriteDialog(const DialogResource& dialog, std::string* out) {
    AppendFormat(out, "%d DIALOGEX 0, 0, %d, %d\n", dialog.id, dialog.cx, dialog.cy);
    bool hasCaption = dialog.caption != nullptr && dialog.caption[0] != '\0';
    if (hasCaption) *out += "CAPTION " + Literal(dialog.caption) + "\n";
    // A template carries a font exactly when its style has DS_SETFONT.
    if ((dialog.style & DS_SETFONT) != 0) {
        AppendFormat(out, "FONT %d, ", dialog.fontPointSize);
        *out += Literal(dialog.fontName) + "\n";
    }
    *out += "STYLE " + DialogStyle(dialog.style, hasCaption) + "\n";
    *out += "BEGIN\n";
    for (int i = 0; i < dialog.controlCount; ++i) {
        const DialogControlResource& control = dialog.controls[i];
        *out += "    CONTROL " + Literal(control.text);
        AppendFormat(out, ", %d, ", control.id);
        *out += Literal(control.className) + ", " + ControlStyle(control.style);
        AppendFormat(out, ", %d, %d, %d, %d\n", control.x, control.y, control.cx, control.cy);
    }
    *out += "END\n\n";
}

void WriteStringTable(const std::vector<StringTableEntry>& strings, std::string* out) {
    *out += "STRINGTABLE\nBEGIN\n";
    for (const StringTableEntry& entry : strings) {
        AppendFormat(out, "    %u, ", entry.id);
        *out += Literal(entry.text) + "\n";
    }
    *out += "END\n\n";
}

void WriteVersionValue(const char* name, const std::string& value, std::string* out) {
    *out += "            VALUE " + RcStringLiteral(name) + ", " + RcStringLiteral(value) + "\n";
}

void WriteVersionInfo(const FileVersion& version, std::string* out) {
    const std::array<WORD, 4>& v = version.parts;
    *out += "VS_VERSION_INFO VERSIONINFO\n";
    AppendFormat(out, "FILEVERSION %u, %u, %u, %u\n", v[0], v[1], v[2], v[3]);
    AppendFormat(out, "PRODUCTVERSION %u, %u, %u, %u\n", v[0], v[1], v[2], v[3]);
    *out +=
        "FILEFLAGSMASK VS_FFI_FILEFLAGSMASK\n"
        "FILEFLAGS 0\n"
        "FILEOS VOS_NT_WINDOWS32\n"
        "FILETYPE VFT_APP\n"
        "FILESUBTYPE VFT2_UNKNOWN\n"
        "BEGIN\n"
        "    BLOCK \"StringFileInfo\"\n"
        "    BEGIN\n"
        "        BLOCK \"040904B0\"\n"  // U.S. English, UTF-16
        "        BEGIN\n";
    WriteVersionValue("CompanyName", "Quintaro", out);
    WriteVersionValue("FileDescription", "Velmora Screen Saver", out);
    WriteVersionValue("FileVersion", version.text, out);
    WriteVersionValue("InternalName", "Velmora", out);
    WriteVersionValue("LegalCopyright", "Copyright (C) Quintaro", out);
    WriteVersionValue("OriginalFilename", "Velmora.scr", out);
    WriteVersionValue("ProductName", "Velmora", out);
    WriteVersionValue("ProductVersion", version.text, out);
    *out +=
        "        END\n"
        "    END\n"
        "    BLOCK \"VarFileInfo\"\n"
        "    BEGIN\n"
        "        VALUE \"Translation\", 0x0409, 1200\n"
        "    END\n"
        "END\n";
}

}  // namespace

std::optional<FileVersion> ParseFileVersion(std::string_view text) {
    FileVersion version;
    version.text = std::string(text);
    size_t start = 0;
    for (size_t part = 0; part < version.parts.size(); ++part) {
        size_t end = text.find('.', start);
        std::string_view number =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        unsigned value = 0;
        auto [last, error] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (number.empty() || error != std::errc() || last != number.data() + number.size() ||
            value > 0xFFFF) {
            return std::nullopt;
        }
        version.parts[part] = static_cast<WORD>(value);
        if (end == std::string_view::npos) return version;
        start = end + 1;
    }
    return std::nullopt;  // more than four numbers
}

std::string RcStringLiteral(std::string_view text) {
    std::string literal = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"') {
            literal += "\"\"";
        } else if (c == '\\') {
            literal += "\\\\";
        } else if (c == '\n') {
            literal += "\\n";
        } else if (c == '\t') {
            literal += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            // Three octal digits always end the escape, whatever follows.
            AppendFormat(&literal, "\\%03o", byte);
        } else {
            literal += c;  // UTF-8 bytes pass through under code page 65001
        }
    }
    return literal + "\"";
}

std::string WriteResourceScript(const ResourceScriptContent& content) {
    std::string out =
        "// Generated by velmora-rcgen from the resource data in resources/; edit that\n"
        "// data, not this file.\n"
        "#include <windows.h>\n"
        "#include <commctrl.h>\n"
        "\n"
        "#pragma code_page(65001)\n"
        "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n"
        "\n";
    for (const DialogResource* dialog : content.dialogs) WriteDialog(*dialog, &out);
    WriteStringTable(content.strings, &out);
    AppendFormat(&out, "%d ICON ", content.iconId);
    out += RcStringLiteral(content.iconPath) + "\n";
    AppendFormat(&out, "%d BITMAP ", content.bitmapId);
    out += RcStringLiteral(content.bitmapPath) + "\n\n";
    WriteVersionInfo(content.version, &out);
    return out;
}
