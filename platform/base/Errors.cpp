#include "platform/base/Errors.h"

#include <cstring>

Exception::Exception(String message) : FMessage(std::move(message)), FUtf8(StringToUtf8(FMessage)) {}

EFOpenError::EFOpenError(StringView fileName, StringView reason)
    : Exception(u"Cannot open file \"" + String(fileName) + u"\". " + String(reason)) {}

EFCreateError::EFCreateError(StringView fileName, StringView reason)
    : Exception(u"Cannot create file \"" + String(fileName) + u"\". " + String(reason)) {}

String SystemErrorText(int errorNumber) {
  char buffer[256];
  // GNU strerror_r returns the message, which may or may not live in the buffer.
  const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
  return Utf8ToString(text);
}
