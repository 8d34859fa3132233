#include "Options.h"

namespace devsim {

bool parseProtect(std::string_view text, std::vector<RegisterRange>& ranges) {
    text = trim(text);
    if (text == "none")
        return true;
    const std::size_t dash = text.find('-');
    const auto first = parseNumber(text.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : parseNumber(text.substr(dash + 1));
    if (!first || !last || *first > *last)
        return false;
    ranges.push_back({static_cast<std::uint16_t>(*first), static_cast<std::uint16_t>(*last)});
    return true;
}

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string* error) {
    Options o;
    const auto fail = [&](const std::string& why) -> std::optional<Options> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = name.find('=');
            name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--quit-on-eof") {
            o.quitOnEof = true;
        } else if (name == "--echo-unlock") {
            o.echoUnlock = true;
        } else if (name == "--type") {
            const auto v = value();
            const auto code = v ? parseNumber(*v, 0xFF) : std::nullopt;
            if (!code)
                return fail("--type needs a type code such as 0x21");
            o.type = static_cast<std::uint16_t>(*code);
        } else if (name == "--map") {
            const auto v = value();
            if (!v || v->empty())
                return fail("--map needs a file");
            o.mapPath = *v;
        } else if (name == "--channels") {
            const auto v = value();
            const auto n = v ? parseNumber(*v, maxChannels) : std::nullopt;
            if (!n || *n == 0)
                return fail("--channels needs a number of channels 1..128");
            o.channels = static_cast<int>(*n);
        } else if (name == "--image") {
            const auto v = value();
            if (!v || v->empty())
                return fail("--image needs a file");
            o.imageFiles.push_back(*v);
        } else if (name == "--set") {
            const auto v = value();
            const auto item = v ? parseRegisterValue(*v) : std::nullopt;
            if (!item)
                return fail("--set needs NNN=VALUE, e.g. --set 910=2");
            o.sets.push_back(*item);
        } else if (name == "--protect") {
            const auto v = value();
            if (!o.protect)
                o.protect.emplace();
            if (!v || !parseProtect(*v, *o.protect))
                return fail("--protect needs FROM-TO, NNN or none");
        } else if (name == "--keying-speed") {
            const auto v = value();
            const auto speed = v ? parseNumber(*v, maxKeyingSpeed) : std::nullopt;
            if (!speed)
                return fail("--keying-speed needs units per second 0.." +
                            std::to_string(maxKeyingSpeed));
            o.keyingSpeed = static_cast<int>(*speed);
        } else if (name == "--pace") {
            const auto v = value();
            const auto baud = v ? parseNumber(*v, 4000000) : std::nullopt;
            if (!baud || *baud == 0)
                return fail("--pace needs a baud rate such as 9600");
            o.paceBaud = static_cast<int>(*baud);
        } else if (name == "--log") {
            const auto v = value();
            if (!v || v->empty())
                return fail("--log needs a file");
            o.logPath = *v;
        } else if (name == "--link") {
            const auto v = value();
            if (!v || v->empty())
                return fail("--link needs a path");
            o.linkPath = *v;
        } else if (name == "--fault") {
            const auto v = value();
            if (!v)
                return fail("--fault needs a fault, e.g. silence@3");
            std::string why;
            const auto f = parseFault(*v, &why);
            if (!f)
                return fail("--fault: " + why);
            o.faults.push_back(*f);
        } else if (name == "--seed") {
            const auto v = value();
            const auto seed = v ? parseNumber(*v, 0xFFFFFFFFu) : std::nullopt;
            if (!seed)
                return fail("--seed needs a number");
            o.seed = *seed;
        } else {
            return fail("unknown argument: " + args[i] + " (see --help)");
        }
    }
    return o;
}

std::string helpText() {
    return R"(ostara-devsim - a simulated radio modem for trying Ostara without a device

It opens a pseudo-terminal, prints the line
    ostara-devsim: ready on /dev/pts/N
and then answers MOP register requests on it like a device on a serial line.
In Ostara, type that path (/dev/pts/N, or the --link path) as the serial port
in the serial settings, then read the parameter set as usual. The simulator
runs until Ctrl+C, SIGTERM or the command "quit" on its standard input.

Usage: ostara-devsim [options]

Device contents (applied in this order: type preset, image files, --set):
  --type CODE        device type code in register 906, hex (0x21) or decimal;
                     fills a parameter set for its family. Default 0x21.
                     Families: 0x21-0x23, 0x28-0x2A, 0x70 (3964R) -> 0x21;
                     0x10-0x14, 0x18-0x1C -> 0x10; 0x30-0x32 -> 0x30;
                     0xD0, 0xD1 -> 0xD0; 0x71 -> 0x71.
  --map FILE         a register map in the form of Ostara's steuerung.cfg
                     that places the values of the keys the device does not
                     fix (firmware, radio-layer address, frequency step,
                     serial interface, device configuration, radio address,
                     the WBS-420's I/O, counter and analog settings)
                     elsewhere. Default: the device's own layout, which
                     reads no file. The device fixes, whatever the map says:
                       906 type (geraete_id), 908 serial number (seriennr),
                       910/911 current/power-on channel (aktu_funkkanal,
                       def_funkkanal), 912/913 current/power-on power
                       (aktu_sendeleistung, def_sendeleistung), 915 second
                       MoP line, 916 station address (defstationsadresse),
                       917 settings word (g_betriebsart), 918 MoP time-out
                       or counter/timer word (konf_int_eing of [WBS420]),
                       932/933 3964R delays, 934 interface protocol
                       (protokoll_com0), 935/936 address range or 3964R
                       time-out, 939 keying time, 944 time slots
                       (aktiv_zeit), 958-964 Modbus, 990-993 frequency
                       limits, 999 unlock, 1070-1085 input delays,
                       1150 channel count (max_anzahl_funkkanal),
                       1200-1215 power table, 1216-1343 channel numbers,
                       1344-1471 channel steps (tab_anf_/tab_end_ keys).
                     A map that puts one of these keys on another register,
                     or another key on one of these registers, is refused
                     at start with one line per key (exit status 2); so is
                     a FILE that cannot be read. Map values are indexes
                     (register - 900).
  --channels N       frequency-table entries in use, 1..128 (register 1150
                     holds N-1; the other entries hold 0).
                     Default: 4 for families 0x21 and 0x10, 3 for 0x30,
                     2 for 0xD0 and 0x71.
  --image FILE       load registers from FILE: lines "rNNN=VALUE", VALUE
                     decimal, $hex or 0xhex; ';' starts a comment.
  --set NNN=VALUE    set one register (repeatable).
  --protect FROM-TO  registers that ignore writes until unlocked (repeatable;
                     replaces the default 1216-1471; "none" for no protection).
                     Unlock: write 8362 then 9286 to register 999; writing 0
                     (or anything else) locks again. Register 999 reads 65535
                     while unlocked and 0 while locked, also in the read-back
                     of a request that writes it.
  --echo-unlock      the read-back of a request that writes register 999
                     shows the value written instead of the lock state.
  --keying-speed N   keying: a write of T > 0 to register 939 switches the
                     transmitter on, and the device counts 939 down by N
                     per second (default 100) to 0, where it switches off;
                     writing 0 switches it off at once. 0 keeps 939 where
                     it is (a test that never runs out).

Line:
  --link PATH        also create the symlink PATH -> the pty (removed at exit).
  --pace BAUD        the line's speed both ways (10 bits per byte), e.g.
                     --pace 9600: a request counts as received when its last
                     byte would have arrived, counted from its first byte,
                     and the answer goes out byte by byte from then on.
                     Without it requests count at once and answers go out
                     whole.
  --log FILE         one line per exchange: time, request, response ("-" for
                     none), lock state, the fault that fired, and on the
                     monotonic clock (seconds) when the request's first byte
                     came (first=) and when it counted as received
                     (received=).

Faults (repeatable): --fault NAME[=VALUE][@WHEN][:always]
  WHEN is N (the Nth request received, 1-based), rNNN (requests that read or
  write register NNN) or next (the default). A fault fires once unless
  ":always" follows; "@N:always" fires from request N on.
  silence            no answer
  late[=MS]          answer after MS milliseconds (default 2000)
  wrong-header       first byte 0xE1 instead of 0xE0
  wrong-echo         address echo byte altered
  wrong-register     answer the run starting one register further on
  wrong-count        one word more than requested
  garbage-before[=N] N random bytes (never 0xE0) before the answer (default 4)
  trailing-bytes[=N] N random bytes (never 0xE0) after the answer (default 3)
  split-5            answer in two halves, 5 ms apart
  split-120          answer in two halves, 120 ms apart
  routing-block      address byte echoed as 0xEF followed by a routing block
  alternate          every second read of register NNN (with @rNNN) returns
                     the value XOR 1; with @N or @next that read is altered
  ignore-writes[=V]  the request's writes are not applied; with V only a
                     request that writes the value V (to register NNN with
                     @rNNN) counts, e.g. ignore-writes=0@r999 for a relock
  hangup             close the line (the program sees the port vanish), exit
  Examples: --fault silence@3   --fault wrong-echo@r906
            --fault silence@r999:always   --fault late=1800@next

Control on standard input, one command per line (one answer line each):
  fault FAULT | clear | faults | set NNN=VALUE | get NNN | lock? | hangup | quit
  keyed? ("keyed 939=T" or "not keyed") | keying-speed N
  Standard input reaching its end does not stop the simulator unless
  --quit-on-eof is given.

Other:
  --seed N           seed for the random bytes of garbage-before/trailing-bytes
  --help             this text
)";
}

} // namespace devsim
