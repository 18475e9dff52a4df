// Loads a plug-in by command name and calls its entry, as a host does.
#ifndef STANDIN_LOADER_H
#define STANDIN_LOADER_H

#include <string>
#include <vector>

#include "standin.h"

namespace standin {

// The file extension the host uses for plug-ins on this platform.
const char *pluginExtension();

struct CallOutcome {
  std::vector<mxArray *> outputs;  // owned by the caller; all null after an error
  bool failed = false;
  std::string identifier;
  std::string message;
};

class Plugin {
 public:
  // Opens <folder>/<command>.<pluginExtension()> and finds its entry:
  // mexFunction, or _mexFunction as some 32-bit Windows builds name it.
  // On failure, ok() is false and error() says why.
  Plugin(const std::string &folder, const std::string &command);
  ~Plugin();
  Plugin(const Plugin &) = delete;
  Plugin &operator=(const Plugin &) = delete;

  bool ok() const { return entry_ != nullptr; }
  const std::string &error() const { return error_; }
  const std::string &entryName() const { return entryName_; }

  // Calls the entry with the inputs and nlhs requested outputs.
  CallOutcome call(const std::vector<const mxArray *> &inputs, int nlhs = 1) const;

 private:
  void *library_ = nullptr;
  MexEntry entry_ = nullptr;
  std::string entryName_;
  std::string error_;
};

}  // namespace standin

#endif
