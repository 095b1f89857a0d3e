// Requests to the register: ESC and a command code, optional request data,
// and up to two answers, with retries and the fetch of the register's own
// error code. Request data byte j is put at ctx.request.buffer.requestData(j)
// before the call; answer byte j is found at ctx.request.buffer.answer(j).
#pragma once

#include <cstdint>

namespace kelvo::drv {

// c: first-answer length (status included), b: request-data length,
// n: second-answer length (status included). The result is the context's
// result code; after 234 the register error code is set.
void request(std::uint8_t command, std::uint8_t c, std::uint8_t b, std::uint8_t n);

// Opens the link and, on a multiplexer switched by a register request, selects
// the channel with that request; a failed selection closes the link again.
void openLinkToRegister();

}
