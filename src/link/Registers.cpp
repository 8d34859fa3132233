#include "link/Registers.h"

#include "link/Mop.h"

#include <algorithm>

namespace registers {

namespace {

bool ValidRegister(long long reg) {
    return reg >= 0 && reg <= static_cast<long long>(maxRegister);
}

void PrepareRead(TMop& mop, uint16_t reg) {
    mop.SetHeader(0x60);
    mop.SetAddress1(0);
    mop.SetAddress2(0);
    mop.SetAddress3(0);
    mop.SetAddress4(0);
    mop.SetReadAddress(reg);
    mop.SetWriteAddress(0);
    mop.SetReadCount(1);
    mop.SetWriteCount(0);
    mop.SetWriteData(std::string());
}

void PrepareWrite(TMop& mop, uint16_t reg, uint8_t count, const std::string& data) {
    mop.SetAddress1(0);
    mop.SetReadAddress(reg);
    mop.SetWriteAddress(reg);
    mop.SetReadCount(count);
    mop.SetWriteCount(count);
    mop.SetWriteData(data);
}

// The answer is for reg when its first register is reg.
bool AnswerIsFor(const TMop& mop, uint32_t reg) {
    uint32_t first = 0;
    mop.GetResponseAddress(first);
    return first == reg;
}

} // namespace

int ReadRegister(TMop& mop, long long reg, ReadOutcome& outcome) {
    if (!ValidRegister(reg)) {
        outcome = ReadOutcome::LinkFailed;
        return -1;
    }
    PrepareRead(mop, static_cast<uint16_t>(reg));
    if (mop.TransactRetry(retries)) {
        outcome = ReadOutcome::LinkFailed;
        return -1;
    }
    uint32_t value = 0;
    if (mop.GetResponseHeader() == 0xE0 && AnswerIsFor(mop, static_cast<uint32_t>(reg)) &&
        !mop.NextDataWord(value)) {
        outcome = ReadOutcome::Ok;
        return static_cast<int>(value);
    }
    outcome = ReadOutcome::WrongRegister;
    return 0;
}

int ReadRegisterQuiet(TMop& mop, long long reg, uint32_t& value) {
    value = 0;
    if (!ValidRegister(reg))
        return 1;
    PrepareRead(mop, static_cast<uint16_t>(reg));
    if (mop.TransactRetry(retries) || !AnswerIsFor(mop, static_cast<uint32_t>(reg)))
        return 1;
    uint32_t word = 0;
    if (mop.NextDataWord(word))
        return 1;
    value = word;
    return 0;
}

WriteOutcome WriteRegister(TMop& mop, long long reg, int value) {
    if (!ValidRegister(reg))
        return WriteOutcome::NoAnswer;
    std::string data;
    data.push_back(static_cast<char>((value >> 8) & 0xFF));
    data.push_back(static_cast<char>(value & 0xFF));
    PrepareWrite(mop, static_cast<uint16_t>(reg), 1, data);
    if (mop.TransactRetry(retries))
        return WriteOutcome::NoAnswer;
    uint32_t word = 0;
    if (mop.GetResponseCount() != 1 || mop.NextDataWord(word))
        return WriteOutcome::Refused;
    return static_cast<long long>(word) == static_cast<long long>(value) ? WriteOutcome::Taken
                                                                         : WriteOutcome::Refused;
}

int WriteRegisterChecked(TMop& mop, long long reg, int value) {
    return WriteRegister(mop, reg, value) == WriteOutcome::Taken ? 0 : 1;
}

bool WriteWithSecondTry(TMop& mop, long long reg, int value) {
    return WriteRegister(mop, reg, value) == WriteOutcome::Taken ||
           WriteRegister(mop, reg, value) == WriteOutcome::Taken;
}

bool Unlock(TMop& mop) {
    return WriteRegister(mop, UnlockRegister, UnlockFirstCode) != WriteOutcome::NoAnswer &&
           WriteRegister(mop, UnlockRegister, UnlockSecondCode) != WriteOutcome::NoAnswer;
}

bool Relock(TMop& mop) {
    return WriteWithSecondTry(mop, UnlockRegister, RelockValue);
}

std::string RegistersToText(const TRegisterImage& image, int firstIndex, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int index = firstIndex + i;
        if (!IsImageIndex(index))
            break;
        const uint32_t v = image[index] & 0xFFFF;
        text.push_back(static_cast<char>(v >> 8));
        text.push_back(static_cast<char>(v & 0xFF));
    }
    return text;
}

int WriteRegisterBlock(TMop& mop, const TRegisterImage& image, ChannelCells channel,
                       long long first, long long last, const BlockWriteHooks& hooks) {
    if (!ValidRegister(first) || !ValidRegister(last) || last < first)
        return 0;
    // The data comes from the image: a block must lie inside it.
    const long long firstIndex = first - FirstImageRegister;
    const long long lastIndex = last - FirstImageRegister;
    if (!IsImageIndex(firstIndex) || !IsImageIndex(lastIndex))
        return static_cast<int>(last - first + 1);

    long long remaining = last - first + 1;
    long long current = first;
    int mismatches = 0;
    while (remaining != 0) {
        const int n = static_cast<int>(std::min<long long>(remaining, 15));
        const int index = static_cast<int>(current - FirstImageRegister);
        PrepareWrite(mop, static_cast<uint16_t>(current), static_cast<uint8_t>(n),
                     RegistersToText(image, index, n));
        if (mop.TransactRetry(retries)) {
            if (hooks.exchangeFailed)
                hooks.exchangeFailed();
            // No answer: nothing of this block is known to be written.
            mismatches += n;
            for (int i = 0; i < n; ++i)
                if (hooks.mismatch)
                    hooks.mismatch("Register NR: " + std::to_string(current + i));
        } else {
            const int count = mop.GetResponseCount();
            if (count != n && hooks.transferLine)
                hooks.transferLine("ung\xFCltige Anzahl gelesender Register!");
            for (int i = 0; i < count && i < n; ++i) {
                uint32_t word = 0;
                if (mop.NextDataWord(word))
                    break;
                if (word != image[index + i]) {
                    if (hooks.mismatch)
                        hooks.mismatch("Register NR: " + std::to_string(current + i));
                    ++mismatches;
                }
            }
            // Registers the answer left out were not confirmed either.
            if (count < n)
                mismatches += n - std::max(count, 0);
        }
        current += n;
        remaining -= n;
        if (hooks.advance)
            hooks.advance(n);
    }

    // Re-apply the active channel so that the device takes over the tables.
    if (!IsImageIndex(channel.active) || !IsImageIndex(channel.count))
        return mismatches;
    const uint32_t active = image[channel.active];
    const uint32_t count = image[channel.count];
    const long long channelReg = channel.active + FirstImageRegister;
    const long long countReg = channel.count + FirstImageRegister;
    auto wait = [&hooks](int ms) {
        if (hooks.wait)
            hooks.wait(ms);
    };
    if (active < count) {
        WriteRegisterChecked(mop, channelReg, static_cast<int>(active + 1));
        wait(500);
    } else if (active == count && count > 0) {
        WriteRegisterChecked(mop, channelReg, static_cast<int>(active - 1));
        wait(500);
    } else if (active == count) {
        WriteRegisterChecked(mop, countReg, 1);
        WriteRegisterChecked(mop, channelReg, 1);
        wait(500);
        WriteRegisterChecked(mop, countReg, 0);
    }
    WriteRegisterChecked(mop, channelReg, static_cast<int>(active));
    return mismatches;
}

int WriteAndVerifyRegisters(TMop& mop, TRegisterImage& image, long long firstRegister,
                            int firstIndex, int endIndex) {
    const int count = endIndex - firstIndex;
    if (!ValidRegister(firstRegister) || count <= 0 || count > 60 || !IsImageIndex(firstIndex) ||
        !IsImageIndex(endIndex - 1))
        return 1000;
    PrepareWrite(mop, static_cast<uint16_t>(firstRegister), static_cast<uint8_t>(count),
                 RegistersToText(image, firstIndex, count));
    if (mop.TransactRetry(retries) || mop.GetResponseCount() != count)
        return 1000;
    uint32_t words[60] = {};
    for (int i = 0; i < count; ++i)
        if (mop.NextDataWord(words[i]))
            return 1000;
    // Compare everything first: the numbers are stored into the cells compared.
    int k = 0;
    uint32_t differing[60] = {};
    for (int i = 0; i < count; ++i)
        if (words[i] != image[firstIndex + i])
            differing[k++] = static_cast<uint32_t>(firstRegister + i);
    for (int i = 0; i < k; ++i)
        image[i] = differing[i];
    return k;
}

} // namespace registers
