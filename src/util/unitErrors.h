#pragma once
// The program's error types. Each carries the exact text that the user sees in the
// application's error box; the type only tells callers which kind of failure it was.
#include <stdexcept>
#include <string>

namespace kw {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A registry write was refused, or a value had the wrong type for the read.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// A text could not be converted to a number.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A position outside a list was used.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// A stream ended early or held something that is not in its format.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

// An object was used as a class that it does not belong to ("Invalid class typecast").
class EInvalidCast : public Exception {
 public:
  using Exception::Exception;
};

// A file could not be opened or created.
class EFileError : public Exception {
 public:
  using Exception::Exception;
};

// A shell or COM object could not be created or lacks an interface.
class EShellError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace kw
