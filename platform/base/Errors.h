#pragma once
// The framework's exception family. Errors raised inside an event handler are caught by the
// application's loop and shown in the error box.

#include <exception>
#include <string>

#include "platform/base/Strings.h"

class Exception : public std::exception {
 public:
  explicit Exception(String message);
  const String& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FUtf8.c_str(); }

 private:
  String FMessage;
  std::string FUtf8;
};

class EConvertError : public Exception { using Exception::Exception; };
class EReadError : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EInOutError : public Exception { using Exception::Exception; };

// "Cannot open file "<name>". <reason>"
class EFOpenError : public Exception {
 public:
  EFOpenError(StringView fileName, StringView reason);
};

// "Cannot create file "<name>". <reason>"
class EFCreateError : public Exception {
 public:
  EFCreateError(StringView fileName, StringView reason);
};

// The system's reason text for an errno value ("No such file or directory").
String SystemErrorText(int errorNumber);
