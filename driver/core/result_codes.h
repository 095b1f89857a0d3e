// Conditions and the result codes they become. Driver code names a failure
// by its condition number; the command returns the mapped result code.
#pragma once

#include <cstdint>

#include "driver/core/line_errors.h"

namespace kelvo::drv {

namespace condition {
inline constexpr std::uint8_t Success = 0;
inline constexpr std::uint8_t NoInputName = 1;
inline constexpr std::uint8_t ReservedInputName = 2;
inline constexpr std::uint8_t NoOutputName = 3;
inline constexpr std::uint8_t ReservedOutputName = 4;
inline constexpr std::uint8_t SameInputAndOutput = 5;
inline constexpr std::uint8_t InputOpen = 6;
inline constexpr std::uint8_t ConfigurationOpen = 7;
inline constexpr std::uint8_t OutputOpen = 8;
inline constexpr std::uint8_t ReportOpen = 9;
inline constexpr std::uint8_t InputIncomplete = 10;
inline constexpr std::uint8_t InputFormat = 11;
inline constexpr std::uint8_t InputData = 12;
inline constexpr std::uint8_t ConfigurationIncomplete = 13;
inline constexpr std::uint8_t ConfigurationNoLine = 14;
inline constexpr std::uint8_t ConfigurationData = 15;
inline constexpr std::uint8_t ConfigurationFormat = 16;
inline constexpr std::uint8_t OutputWrite = 17;
inline constexpr std::uint8_t ReportWrite = 18;
inline constexpr std::uint8_t RegisterNumberRange = 19;
inline constexpr std::uint8_t TransmitTimeout = 20;
inline constexpr std::uint8_t ReceiveTimeout = 21;
inline constexpr std::uint8_t RegisterNumberDiffers = 22;
inline constexpr std::uint8_t WrongAnswer = 23;
inline constexpr std::uint8_t Nak = 24;
inline constexpr std::uint8_t WrongDevice = 25;
inline constexpr std::uint8_t FirstAnswerRefused = 26;  // the register answered 200 instead of ACK
inline constexpr std::uint8_t CarrierOff = 30;
inline constexpr std::uint8_t FrameWrite = 32;
inline constexpr std::uint8_t ConverterSilent = 33;
inline constexpr std::uint8_t ConverterCrc = 34;
inline constexpr std::uint8_t ConverterStatus1 = 35;
inline constexpr std::uint8_t ConverterStatus2 = 36;
inline constexpr std::uint8_t ConverterStatus3 = 37;
inline constexpr std::uint8_t ConverterStatus4 = 38;
inline constexpr std::uint8_t ConverterIdentifier = 39;
inline constexpr std::uint8_t ConverterWriteTimeout = 40;
inline constexpr std::uint8_t ConverterReadTimeout = 41;
inline constexpr std::uint8_t ConverterStatus7 = 42;
inline constexpr std::uint8_t ConverterStatusOther = 43;
inline constexpr std::uint8_t AnswerTooShort = 45;
inline constexpr std::uint8_t Checksum = 46;
inline constexpr std::uint8_t ChannelSwitching = 52;
inline constexpr std::uint8_t MoreParts = 53;
inline constexpr std::uint8_t PrinterFailure = 47;
inline constexpr std::uint8_t NoPaper = 48;
inline constexpr std::uint8_t Break = 56;
inline constexpr std::uint8_t SocketSendIncomplete = 63;
inline constexpr std::uint8_t SocketTimeout = 64;
inline constexpr std::uint8_t SocketFailure = 65;
inline constexpr std::uint8_t RecordEnd = 66;
inline constexpr std::uint8_t UnknownHost = 67;
inline constexpr std::uint8_t ModkonfFirst = 27;
inline constexpr std::uint8_t ModkonfSecond = 28;
inline constexpr std::uint8_t TimeoutOverrun = 49;
inline constexpr std::uint8_t TimeoutParity = 50;
inline constexpr std::uint8_t TimeoutFraming = 51;
inline constexpr std::uint8_t ParameterList = 54;
inline constexpr std::uint8_t CacheOpen = 59;
inline constexpr std::uint8_t CacheData = 60;
inline constexpr std::uint8_t CacheWrite = 61;
inline constexpr std::uint8_t PortOpen = 62;
inline constexpr std::uint8_t NotFiscal = 69;
inline constexpr std::uint8_t BadRange = 70;
inline constexpr std::uint8_t NoReports = 71;
inline constexpr std::uint8_t MonthNotEnded = 72;
inline constexpr std::uint8_t NotReadOnly = 73;
inline constexpr std::uint8_t OtherPrintout = 74;
inline constexpr std::uint8_t ServiceJumper = 75;
inline constexpr std::uint8_t WrongDateOrPassword = 76;
inline constexpr std::uint8_t OtherError = 77;
// Conditions of the register's own answers (statuses 1 to 134).
inline constexpr std::uint8_t NotSupported = 78;           // status 1: the register cannot do it
inline constexpr std::uint8_t ArticleBeyondCapacity = 82;  // status 5
inline constexpr std::uint8_t ArticleNotProgrammed = 97;   // status 102
inline constexpr std::uint8_t UnknownSubRequest = 103;     // a sub-request the driver does not know
inline constexpr std::uint8_t PrintedReportCode5 = 103;    // the register's result code 5 of a printed report
inline constexpr std::uint8_t PrintedReportCode7 = 113;   // the register's result code 7 of a printed report
inline constexpr std::uint8_t RegisterError = 123;         // status 134: ask the register's error code
// The caller asked the running command to stop (PrzerwanieOdczytu); returned unchanged.
inline constexpr std::uint8_t StoppedByCaller = 124;
// The accountant's figures were asked for, but the last periodic report
// command failed or none ran; returned unchanged.
inline constexpr std::uint8_t NoReportFigures = 125;
}

// The result code for a condition; a pure function of its arguments.
constexpr std::uint8_t resultCodeFor(std::uint8_t condition, const LineErrorFlags& lineErrors = {})
{
    if (condition == condition::TransmitTimeout || condition == condition::ReceiveTimeout) {
        if (lineErrors.overrun)
            return condition::TimeoutOverrun;
        if (lineErrors.parity)
            return condition::TimeoutParity;
        if (lineErrors.framing)
            return condition::TimeoutFraming;
    }
    if (condition <= 77)
        return condition;
    if (condition <= 82)
        return static_cast<std::uint8_t>(condition - 78 + 101);
    if (condition <= 94)
        return static_cast<std::uint8_t>(condition - 83 + 107);
    if (condition <= 107)
        return static_cast<std::uint8_t>(condition - 95 + 200);
    if (condition == 108)
        return 215;
    if (condition == 109)
        return 217;
    if (condition <= 122)
        return static_cast<std::uint8_t>(condition - 110 + 220);
    if (condition == 123)
        return 234;
    return condition;
}

// The condition of a register status s that makes an error of its own
// (result code 100 + s): 1 to 5, 7 to 18, 100 to 112, 115, 117, 120 to 132, 134.
std::uint8_t conditionOfRegisterStatus(std::uint8_t status);

// The result code becomes the mapping of the condition.
void storeCondition(std::uint8_t condition);

bool isSuccess();

// True when the stored result is the one of this condition (a time-out that
// a line error turned into another code is not).
bool conditionIs(std::uint8_t condition);

// Stores the condition unless a failure is stored already: the first error stays.
void failWith(std::uint8_t condition);

}
