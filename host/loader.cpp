#include "loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace standin {

const char *pluginExtension() {
#if defined(_WIN32) && defined(_WIN64)
  return "mexw64";
#elif defined(_WIN32)
  return "mexw32";
#elif defined(__APPLE__)
  return "mexmaci64";
#elif defined(__x86_64__) || defined(__aarch64__)
  return "mexa64";
#else
  return "mexglx";
#endif
}

namespace {

// A host has both its libraries loaded before it loads a plug-in, which may
// need either: this reference keeps libmex a dependency of every program
// that loads plug-ins, though the loader itself calls nothing of it.
void (*volatile const keepLibmexLoaded)(const char *, const char *, ...) = &mexErrMsgIdAndTxt;

void *openLibrary(const std::string &path, std::string &error) {
#if defined(_WIN32)
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void *>(library);
#else
  void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) error = dlerror();
  return library;
#endif
}

MexEntry findEntry(void *library, const char *name) {
#if defined(_WIN32)
  return reinterpret_cast<MexEntry>(
      reinterpret_cast<void *>(GetProcAddress(reinterpret_cast<HMODULE>(library), name)));
#else
  return reinterpret_cast<MexEntry>(dlsym(library, name));
#endif
}

}  // namespace

Plugin::Plugin(const std::string &folder, const std::string &command) {
  const std::string path = folder + "/" + command + "." + pluginExtension();
  library_ = openLibrary(path, error_);
  if (library_ == nullptr) return;
  for (const char *name : {"mexFunction", "_mexFunction"}) {
    entry_ = findEntry(library_, name);
    if (entry_ != nullptr) {
      entryName_ = name;
      return;
    }
  }
  error_ = path + " exports neither mexFunction nor _mexFunction";
}

Plugin::~Plugin() {
  if (library_ == nullptr) return;
#if defined(_WIN32)
  FreeLibrary(reinterpret_cast<HMODULE>(library_));
#else
  dlclose(library_);
#endif
}

CallOutcome Plugin::call(const std::vector<const mxArray *> &inputs, int nlhs) const {
  CallOutcome outcome;
  if (entry_ == nullptr) {
    outcome.failed = true;
    outcome.identifier = "standin:noPlugin";
    outcome.message = error_;
    return outcome;
  }
  outcome.outputs.assign(nlhs > 0 ? nlhs : 1, nullptr);
  StandinError error;
  standinCall(entry_, nlhs, outcome.outputs.data(), static_cast<int>(inputs.size()),
              inputs.empty() ? nullptr : const_cast<const mxArray **>(inputs.data()), &error);
  if (error.raised) {
    outcome.failed = true;
    outcome.identifier = error.identifier;
    outcome.message = error.message;
  }
  return outcome;
}

}  // namespace standin
