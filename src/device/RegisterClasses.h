#pragma once
// Small value holders for the bit work of the pages: GBits (with toggle) and
// TRegister hold one 32-bit word; TGetSpeicherRegister reads the register
// image by register number. Bit numbers are taken modulo 32.

#include "link/ParameterSet.h"

#include <cstdint>

class GBits {
public:
    GBits() = default;
    void SetValue(uint32_t v) { value_ = v; }
    uint32_t GetValue() const { return value_; }
    uint32_t SetBit(unsigned n) { return value_ |= Mask(n); }
    uint32_t ClearBit(unsigned n) { return value_ &= ~Mask(n); }
    bool TestBit(unsigned n) const { return (value_ & Mask(n)) != 0; }
    uint32_t ToggleBit(unsigned n) { return value_ ^= Mask(n); }

private:
    static uint32_t Mask(unsigned n) { return uint32_t{1} << (n & 31); }
    uint32_t value_ = 0;
};

class TRegister {
public:
    TRegister() = default;
    void SetValue(const uint32_t& v) { value_ = v; }
    uint32_t GetValue() const { return value_; }
    uint32_t SetBit(unsigned n) { return value_ |= Mask(n); }
    uint32_t ClearBit(unsigned n) { return value_ &= ~Mask(n); }
    bool TestBit(unsigned n) const { return (value_ & Mask(n)) != 0; }

private:
    static uint32_t Mask(unsigned n) { return uint32_t{1} << (n & 31); }
    uint32_t value_ = 0;
};

class TGetSpeicherRegister {
public:
    // cells points at cell 0 of the register image (register 900).
    explicit TGetSpeicherRegister(const uint32_t* cells) : cells_(cells) {}
    // The value of a register from 900 to 1471; -1 for any other number.
    int32_t Get(uint32_t reg) const {
        if (reg < FirstImageRegister || reg > LastImageRegister || !cells_)
            return -1;
        return static_cast<int32_t>(cells_[reg - FirstImageRegister]);
    }

private:
    const uint32_t* cells_;
};
