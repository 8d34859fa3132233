#pragma once
// Line settings and the error type of the serial-port component.

#include <stdexcept>
#include <string>

enum TBaudRate {
    brDefault,
    br50,
    br75,
    br110,
    br150,
    br300,
    br600,
    br1200,
    br1800,
    br2000,
    br2400,
    br3600,
    br4800,
    br7200,
    br9600,
    br10400,
    br14400,
    br15625,
    br19200,
    br28800,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    brCustom
};
enum TDataBits { dbDefault, db4, db5, db6, db7, db8 };
enum TParity { paDefault, paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sbDefault, sb1, sb1_5, sb2 };

// Numeric value of a baud-rate member (0 for brDefault and brCustom).
int BaudRateValue(TBaudRate rate);

// Every failure of the port component. code is the system's errno, 0 for the
// component's own errors ("Can't perform this operation on a closed port" ...).
class EComError : public std::runtime_error {
public:
    EComError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};
