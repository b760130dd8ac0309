#include "analysis/TextUtils.h"

#include <charconv>
#include <cmath>

namespace deraz {

namespace {

bool IsControl(char C) {
    return static_cast<unsigned char>(C) <= 32;
}

} // namespace

std::string TrimControls(std::string_view Text) {
    size_t First = 0;
    while (First < Text.size() && IsControl(Text[First])) ++First;
    return TrimRightControls(Text.substr(First));
}

std::string TrimRightControls(std::string_view Text) {
    size_t End = Text.size();
    while (End > 0 && IsControl(Text[End - 1])) --End;
    return std::string(Text.substr(0, End));
}

void AppendUtf8(std::string& Out, uint32_t CodePoint) {
    if (CodePoint >= 0xD800 && CodePoint <= 0xDFFF) CodePoint = '?';
    if (CodePoint < 0x80) {
        Out += static_cast<char>(CodePoint);
    } else if (CodePoint < 0x800) {
        Out += static_cast<char>(0xC0 | (CodePoint >> 6));
        Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
    } else if (CodePoint < 0x10000) {
        Out += static_cast<char>(0xE0 | (CodePoint >> 12));
        Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (CodePoint >> 18));
        Out += static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
    }
}

std::string Latin1ToUtf8(std::string_view Bytes) {
    std::string Out;
    Out.reserve(Bytes.size());
    for (char C : Bytes) AppendUtf8(Out, static_cast<unsigned char>(C));
    return Out;
}

std::string DecodeUtf8Prefix(std::string_view Bytes) {
    std::string Out;
    size_t I = 0;
    auto Continuation = [&](size_t At) {
        return At < Bytes.size() && (static_cast<unsigned char>(Bytes[At]) & 0xC0) == 0x80;
    };
    while (I < Bytes.size()) {
        uint32_t Lead = static_cast<unsigned char>(Bytes[I]);
        if (Lead < 0x80) {
            AppendUtf8(Out, Lead);
            I += 1;
        } else if ((Lead & 0x20) == 0) {
            if (!Continuation(I + 1)) break;
            AppendUtf8(Out, ((Lead & 0x1F) << 6) | (Bytes[I + 1] & 0x3F));
            I += 2;
        } else {
            if (!Continuation(I + 1) || !Continuation(I + 2)) break;
            AppendUtf8(Out, ((Lead & 0x0F) << 12) | ((Bytes[I + 1] & 0x3F) << 6) | (Bytes[I + 2] & 0x3F));
            I += 3;
        }
    }
    return Out;
}

int32_t TrackNumber(std::string_view Text) {
    Text = Text.substr(0, Text.find('/'));
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) Text.remove_prefix(1);
    if (!Text.empty() && Text.front() == '+') Text.remove_prefix(1);
    int32_t Value = 0;
    auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Error != std::errc() || End != Text.data() + Text.size() || Text.empty()) return 0;
    return Value;
}

std::string UpperCase(std::string_view Text) {
    std::string Out(Text);
    for (char& C : Out)
        if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    return Out;
}

uint32_t BigEndian32(const uint8_t* Bytes) {
    return uint32_t(Bytes[0]) << 24 | uint32_t(Bytes[1]) << 16 | uint32_t(Bytes[2]) << 8 | Bytes[3];
}

uint32_t BigEndian24(const uint8_t* Bytes) {
    return uint32_t(Bytes[0]) << 16 | uint32_t(Bytes[1]) << 8 | Bytes[2];
}

uint32_t LittleEndian32(const uint8_t* Bytes) {
    return uint32_t(Bytes[3]) << 24 | uint32_t(Bytes[2]) << 16 | uint32_t(Bytes[1]) << 8 | Bytes[0];
}

uint64_t LittleEndian64(const uint8_t* Bytes) {
    return LittleEndian32(Bytes) | uint64_t(LittleEndian32(Bytes + 4)) << 32;
}

uint16_t LittleEndian16(const uint8_t* Bytes) {
    return static_cast<uint16_t>(Bytes[1] << 8 | Bytes[0]);
}

uint16_t RoundToWord(double Value) {
    if (!std::isfinite(Value) || std::fabs(Value) > 9.0e18) return 0;
    return static_cast<uint16_t>(static_cast<int64_t>(std::nearbyint(Value)));
}

int32_t RoundToInt(double Value) {
    if (!std::isfinite(Value) || std::fabs(Value) > 2147483647.0) return 0;
    return static_cast<int32_t>(std::nearbyint(Value));
}

} // namespace deraz
