#pragma once

#include "core/SettingsRecord.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace zentaro::test {

// Appends fields of a settings file byte by byte, little-endian, for files the
// tests make by hand.
class Bytes
{
public:
    Bytes& i16(int value) { return le(static_cast<std::uint16_t>(value), 2); }
    Bytes& i32(std::int64_t value) { return le(static_cast<std::uint32_t>(value), 4); }
    Bytes& f64(double value)
    {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return le(bits, 8);
    }
    Bytes& flag(bool value) { return i16(value ? -1 : 0); }
    // A length-prefixed text of exactly these bytes.
    Bytes& str(const QByteArray& bytes)
    {
        i16(static_cast<int>(bytes.size()));
        data.append(bytes);
        return *this;
    }
    Bytes& raw(const QByteArray& bytes)
    {
        data.append(bytes);
        return *this;
    }

    QByteArray data;

private:
    Bytes& le(std::uint64_t value, int size)
    {
        for (int i = 0; i < size; ++i)
            data.append(static_cast<char>((value >> (8 * i)) & 0xFF));
        return *this;
    }
};

// A record laid out field by field in file order; texts must be plain ASCII.
// columnFieldsAt receives the offset of the first ColumnFields entry.
inline QByteArray handMadeFile(const SettingsRecord& s, qsizetype* columnFieldsAt = nullptr)
{
    Bytes b;
    b.str(s.SettingsVersion.toLatin1()).flag(s.ExclusiveMode);
    b.str(s.AddFilesFolder.toLatin1()).str(s.PickFolder.toLatin1());
    b.str(s.LibraryFolder.toLatin1()).str(s.DefaultLibrary.toLatin1());
    b.flag(s.StartMaximized).flag(s.SecurityWipeOnExit).i16(s.EditDetectMode);
    b.i32(s.GridForeColor).i32(s.GridBackColor);
    b.str(s.ListFontName.toLatin1()).i32(s.ListFontSize);
    b.flag(s.ListFontBold).flag(s.ListFontItalic).flag(s.ListFontUnderline);
    b.str(s.HeaderFontName.toLatin1()).i32(s.HeaderFontSize);
    b.flag(s.HeaderFontBold).flag(s.HeaderFontItalic).flag(s.HeaderFontUnderline);
    if (columnFieldsAt)
        *columnFieldsAt = b.data.size();
    for (const QString& field : s.ColumnFields)
        b.str(field.toLatin1());
    for (const std::int32_t width : s.ColumnWidths)
        b.i32(width);
    b.f64(s.ListPaneSize).f64(s.FilePaneSize);
    b.i32(s.FieldViewForeColor).i32(s.FieldViewBackColor);
    b.flag(s.AutoSizePictures).flag(s.PreviewFullHeight).flag(s.AutoRewind).flag(s.AutoStart);
    b.flag(s.RemoveOriginals).i32(s.WipeAmount);
    b.str(s.PrintListFontName.toLatin1()).i16(s.PrintListFontSize);
    b.flag(s.PrintListFontBold).flag(s.PrintListFontItalic);
    b.str(s.PrintHeaderFontName.toLatin1()).i16(s.PrintHeaderFontSize);
    b.flag(s.PrintHeaderFontBold).flag(s.PrintHeaderFontItalic);
    return b.data;
}

inline std::string describe(const QString& v) { return '"' + v.toStdString() + '"'; }
inline std::string describe(bool v) { return v ? "true" : "false"; }
inline std::string describe(std::int16_t v) { return std::to_string(v); }
inline std::string describe(std::int32_t v) { return std::to_string(v); }
inline std::string describe(double v) { return std::to_string(v); }
template <typename T, std::size_t N>
std::string describe(const std::array<T, N>& values)
{
    std::string text = "[";
    for (const T& v : values)
        text += describe(v) + " ";
    return text + "]";
}

// Field-by-field comparison so a failure names the field.
inline void expectSameSettings(const SettingsRecord& actual, const SettingsRecord& expected)
{
#define ZENTARO_EXPECT_FIELD(name)                                                             \
    EXPECT_TRUE(actual.name == expected.name)                                                  \
        << #name << " is " << describe(actual.name) << ", expected " << describe(expected.name)
    ZENTARO_EXPECT_FIELD(SettingsVersion);
    ZENTARO_EXPECT_FIELD(ExclusiveMode);
    ZENTARO_EXPECT_FIELD(AddFilesFolder);
    ZENTARO_EXPECT_FIELD(PickFolder);
    ZENTARO_EXPECT_FIELD(LibraryFolder);
    ZENTARO_EXPECT_FIELD(DefaultLibrary);
    ZENTARO_EXPECT_FIELD(StartMaximized);
    ZENTARO_EXPECT_FIELD(SecurityWipeOnExit);
    ZENTARO_EXPECT_FIELD(EditDetectMode);
    ZENTARO_EXPECT_FIELD(GridForeColor);
    ZENTARO_EXPECT_FIELD(GridBackColor);
    ZENTARO_EXPECT_FIELD(ListFontName);
    ZENTARO_EXPECT_FIELD(ListFontSize);
    ZENTARO_EXPECT_FIELD(ListFontBold);
    ZENTARO_EXPECT_FIELD(ListFontItalic);
    ZENTARO_EXPECT_FIELD(ListFontUnderline);
    ZENTARO_EXPECT_FIELD(HeaderFontName);
    ZENTARO_EXPECT_FIELD(HeaderFontSize);
    ZENTARO_EXPECT_FIELD(HeaderFontBold);
    ZENTARO_EXPECT_FIELD(HeaderFontItalic);
    ZENTARO_EXPECT_FIELD(HeaderFontUnderline);
    ZENTARO_EXPECT_FIELD(ColumnFields);
    ZENTARO_EXPECT_FIELD(ColumnWidths);
    ZENTARO_EXPECT_FIELD(ListPaneSize);
    ZENTARO_EXPECT_FIELD(FilePaneSize);
    ZENTARO_EXPECT_FIELD(FieldViewForeColor);
    ZENTARO_EXPECT_FIELD(FieldViewBackColor);
    ZENTARO_EXPECT_FIELD(AutoSizePictures);
    ZENTARO_EXPECT_FIELD(PreviewFullHeight);
    ZENTARO_EXPECT_FIELD(AutoRewind);
    ZENTARO_EXPECT_FIELD(AutoStart);
    ZENTARO_EXPECT_FIELD(RemoveOriginals);
    ZENTARO_EXPECT_FIELD(WipeAmount);
    ZENTARO_EXPECT_FIELD(PrintListFontName);
    ZENTARO_EXPECT_FIELD(PrintListFontSize);
    ZENTARO_EXPECT_FIELD(PrintListFontBold);
    ZENTARO_EXPECT_FIELD(PrintListFontItalic);
    ZENTARO_EXPECT_FIELD(PrintHeaderFontName);
    ZENTARO_EXPECT_FIELD(PrintHeaderFontSize);
    ZENTARO_EXPECT_FIELD(PrintHeaderFontBold);
    ZENTARO_EXPECT_FIELD(PrintHeaderFontItalic);
#undef ZENTARO_EXPECT_FIELD
}

} // namespace zentaro::test
