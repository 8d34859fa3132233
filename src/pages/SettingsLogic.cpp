#include "pages/SettingsLogic.h"

#include "device/DeviceTypes.h"

namespace {

bool Bit(uint32_t word, int n) {
    return ((word >> n) & 1u) != 0;
}

// Choice groups whose item 0 stands for a set bit.
int ItemOfBit(uint32_t word, int n) {
    return Bit(word, n) ? 0 : 1;
}

OptionState Option(bool visible, bool enabled, bool checked) {
    return {visible, enabled, checked};
}

void RadioModem(const SettingsInput& in, SettingsPageState& s) {
    const int fw = in.firmware;
    const uint32_t w = in.reg917;
    s.mopTimeoutItems = MopTimeoutItemCount;
    s.MoPtimeoutBox1 = {true, true, ComboItemOf(in.reg918, MopTimeoutItemCount)};
    s.MoPtimeout = Option(true, true, false);
    s.GatewayFunktion = Option(true, true, Bit(w, 3));
    s.GatewayMRTU = Option(true, true, Bit(w, 4));
    s.S7OPC = Option(fw >= 430, true, Bit(w, 5));
    s.ComRS4xx = {true, true, ItemOfBit(w, 10)};
    s.DatenrateFunk.visible = true;
    s.DatenrateFunk.enabled = fw >= 510;
    if (fw < 510)
        s.DatenrateFunk.item = 1;
    if (fw < 530) {
        // The gateway options need 5.3; shown off, the word itself kept.
        s.GatewayFunktion.checked = false;
        s.GatewayMRTU.checked = false;
        s.GatewayFunktion.enabled = false;
        s.GatewayMRTU.enabled = false;
        s.S7OPC.enabled = false;
        s.MoPtimeoutBox1.enabled = false;
        s.MoPtimeout.enabled = false;
        s.ComRS4xx.enabled = false;
    } else {
        const bool gatewayModel = in.typeCode == 0x28;
        s.GatewayFunktion.enabled = gatewayModel;
        s.S7OPC.enabled = gatewayModel;
        s.MoPtimeoutBox1.enabled = s.GatewayMRTU.checked;
        s.ComRS4xx.enabled = fw >= 540;
        if (fw >= 541)
            s.FeldstaerkenByte = Option(true, (in.operating & 7u) == 2, Bit(w, 11));
    }
    if (Bit(w, 3))
        s.S7OPC.enabled = false;
}

void RemoteTerminal(const SettingsInput& in, SettingsPageState& s) {
    const int fw = in.firmware;
    const uint32_t w = in.reg917;
    s.Counter = Option(true, fw >= 410, fw < 410 || Bit(w, 3));
    s.Pipeline = Option(true, fw >= 320, fw >= 320 && Bit(w, 8));
    s.MoPMastermode = Option(true, fw >= 470, fw >= 470 && Bit(w, 10));
    s.CounterWrite = Option(true, fw >= 490, Bit(w, 12));
    s.ComRS4xx = {true, fw >= 490, ItemOfBit(w, 11)};
    s.DatenrateFunk.visible = true;
    s.DatenrateFunk.enabled = fw >= 440;
    if (fw < 440)
        s.DatenrateFunk.item = 1;
}

void Hnq(const SettingsInput& in, SettingsPageState& s) {
    const bool d0 = in.family == FamilyHNQ130;
    const bool mop2Off = !Bit(in.reg915, 0);
    s.MOP2deaktivieren = Option(true, d0 || in.firmware >= 400, mop2Off);
    s.RTSaktivieren = Option(d0, d0, d0 && in.reg934 == 3);
}

} // namespace

SettingsPageState SettingsPageFor(const SettingsInput& in) {
    SettingsPageState s;
    s.FadresseVisible = in.family == FamilyHNQ130;
    // Firmware before 0.8 has no settings group at all.
    if (in.firmware < 80)
        return s;
    s.groupVisible = true;
    s.DatenrateFunk.item = ItemOfBit(in.reg917, 9);
    switch (in.family) {
    case FamilyKVL420:
        RadioModem(in, s);
        break;
    case FamilyWBS420:
        RemoteTerminal(in, s);
        break;
    case FamilyHNQ130:
    case FamilyHNQ120:
        Hnq(in, s);
        break;
    default:
        break;
    }
    return s;
}

int ComboItemOf(uint32_t value, int count) {
    return value >= 1 && value <= static_cast<uint32_t>(count) ? static_cast<int>(value) - 1 : -1;
}

// ---- Serial interface -----------------------------------------------------------

int BaudRateItem(uint32_t konfCom0) {
    const int code = static_cast<int>(konfCom0 & 7u);
    return code < BaudRateItems ? code : -1;
}

uint32_t WithBaudRate(uint32_t konfCom0, int item) {
    return (konfCom0 & 0xFFF8u) | (static_cast<uint32_t>(item) & 7u);
}

FormatItems FormatItemsOf(uint32_t konfCom0) {
    if (!Bit(konfCom0, 3))
        return {ParityNone, 0};
    return {Bit(konfCom0, 4) ? 0 : 1, Bit(konfCom0, 5) ? 0 : DataBitsSeven};
}

uint32_t FormatCode(int parity, int dataBits) {
    if (parity == ParityNone)
        return 0;
    const uint32_t odd = parity == 0 ? 2u : 0u;
    const uint32_t eight = dataBits == DataBitsSeven ? 0u : 4u;
    return eight | odd | 1u;
}

uint32_t WithFormat(uint32_t konfCom0, int parity, int dataBits) {
    return (konfCom0 & ~0x38u) | (FormatCode(parity, dataBits) << 3);
}

// ---- 3964R time-out ------------------------------------------------------------

int TimeoutZ2Item(uint32_t reg936) {
    // 2500 units of 4 us are 10 ms.
    if (reg936 < 2 * 2500)
        return 0;
    if (reg936 >= 27 * 2500)
        return TimeoutZ2Items - 1;
    return static_cast<int>(reg936 / 2500) - 1;
}

uint32_t TimeoutZ2Value(int item) {
    return static_cast<uint32_t>(item + 1) * 2500u;
}

// ---- Repeater --------------------------------------------------------------------

int RepeaterStartItem(uint32_t reg935) {
    return static_cast<int>(reg935 & 0x1Fu);
}

int RepeaterSizeItem(uint32_t reg936) {
    return static_cast<int>(reg936 & 7u);
}

uint32_t WithRepeaterStart(uint32_t reg935, int item) {
    return (reg935 & 0xFFE0u) | (static_cast<uint32_t>(item) & 0x1Fu);
}

uint32_t WithRepeaterSize(uint32_t reg936, int item) {
    return (reg936 & 0xFFF8u) | (static_cast<uint32_t>(item) & 7u);
}
