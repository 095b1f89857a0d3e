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
inline constexpr std::uint8_t CarrierOff = 30;
inline constexpr std::uint8_t FrameWrite = 32;
inline constexpr std::uint8_t ConverterSilent = 33;
inline constexpr std::uint8_t ConverterCrc = 34;
inline constexpr std::uint8_t ConverterStatus1 = 35;
inline constexpr std::uint8_t ConverterStatus2 = 36;
inline constexpr std::uint8_t ConverterIdentifier = 39;
inline constexpr std::uint8_t ConverterWriteTimeout = 40;
inline constexpr std::uint8_t ConverterReadTimeout = 41;
inline constexpr std::uint8_t ConverterStatus7 = 42;
inline constexpr std::uint8_t ConverterStatusOther = 43;
inline constexpr std::uint8_t AnswerTooShort = 45;
inline constexpr std::uint8_t Checksum = 46;
inline constexpr std::uint8_t ChannelSwitching = 52;
inline constexpr std::uint8_t MoreParts = 53;
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
inline constexpr std::uint8_t OtherError = 77;
inline constexpr std::uint8_t RegisterError = 123;
}

inline constexpr std::uint8_t kRegisterErrorCode = 234;

// The result code for a condition; a pure function of its arguments.
std::uint8_t resultCodeFor(std::uint8_t condition, const LineErrorFlags& lineErrors);

// The condition that maps to a result code the register's answers produce
// (101 is condition 78, 234 is 123, and so on).
std::uint8_t conditionForResult(std::uint8_t resultCode);

// The result code becomes the mapping of the condition.
void storeCondition(std::uint8_t condition);

bool isSuccess();

// Stores the condition unless a failure is stored already: the first error stays.
void failWith(std::uint8_t condition);

}
