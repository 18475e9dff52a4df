// libFuzzer target for one command (FUZZ_COMMAND, set by the build): decodes
// a call from the fuzzer's bytes (call_format.h), makes it through the
// stand-in host and checks what the command promises:
//   - it returns a result or raises an error its help file lists;
//   - a call that asks for more outputs than the command returns is refused
//     with <command>:tooManyOutputs (korvelStrokeText: any count but 0 or 3);
//   - a refused call leaves no output and every input byte-identical
//     (korvelStrokeText's buffers and counter too);
//   - an answered call stores output 1, a real double matrix (a picture: of
//     its input's class), in slot 0, and a second output only when asked for
//     one (korvelStrokeText: nothing, or in its value form copies of its first
//     three inputs in slots 0 to 2), creates no other host array, changes no
//     input but korvelStrokeText's first three in place, and gives the same
//     bits when made again;
//   - an in-contract call is answered, exactly as prediction.h computes it.
// A broken promise prints what happened and aborts, so libFuzzer keeps the
// input. Memory faults are AddressSanitizer's and UBSan's to catch.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "call_format.h"
#include "contract.h"
#include "korvel_commands.h"
#include "loader.h"
#include "prediction.h"

#define KORVEL_TEXT(x) #x
#define KORVEL_STRING(x) KORVEL_TEXT(x)

namespace {

const korvel::CommandFacts *command = nullptr;
prediction::Predict predict = nullptr;
// The command only takes input 1's data address, so input 1 may report any
// address at all, and its data is not the command's to keep.
bool reportsAddress = false;
standin::Plugin *plugin = nullptr;
std::set<std::string> documented;

[[noreturn]] void broken(const char *promise, const std::string &detail = "") {
  std::fprintf(stderr, "\n%s broke a promise: %s%s%s\n", command->name, promise,
               detail.empty() ? "" : ": ", detail.c_str());
  std::abort();
}

std::string folderOf(const char *path) {
  const std::string text(path);
  const std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? "." : text.substr(0, slash);
}

std::vector<std::uint8_t> snapshot(const mxArray *array) {
  return contract::snapshot(array, !reportsAddress);
}

void expectSame(const char *what, const std::vector<double> &expected, const double *actual) {
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (!contract::sameBits(expected[i], actual[i])) {
      char text[200];
      std::snprintf(text, sizeof text, "%s element %zu is %.17g, the reference gives %.17g", what,
                    i, actual[i], expected[i]);
      broken("a result differs from the reference", text);
    }
}

// The value form: the first inputs, appended, as new arrays of their
// classes, rows and columns (a picture's columns: its width times 3).
void checkCopies(const standin::CallOutcome &outcome, const fuzzcall::Call &call) {
  for (int slot = 0; slot < command->valueOutputs(); ++slot) {
    const mxArray *output = outcome.outputs[slot];
    const mxArray *input = call.inputs[slot];
    if (output == nullptr) broken("no output in slot", std::to_string(slot));
    if (mxGetClassID(output) != mxGetClassID(input) || mxIsComplex(output) ||
        mxGetM(output) != mxGetM(input) || mxGetN(output) != mxGetN(input))
      broken("an output is not a real array of its input's class and size", std::to_string(slot));
  }
}

// Output 1 in slot 0, and output k in slot k - 1 only when asked for; a
// picture is of its input's class, a PNG file's bytes uint8, every other
// output a double matrix.
void checkOutputs(const standin::CallOutcome &outcome, const fuzzcall::Call &call) {
  const mxArray *output = outcome.outputs[0];
  if (command->createdFor(call.nlhs) == 0) {
    if (output != nullptr) broken("an output was stored by a command that returns none");
    return;
  }
  for (std::size_t slot = 0; slot < outcome.outputs.size(); ++slot) {
    const bool asked = slot == 0 || static_cast<int>(slot) < call.nlhs;
    if ((outcome.outputs[slot] != nullptr) != asked)
      broken(asked ? "an output asked for is missing" : "an output not asked for was stored",
             std::to_string(slot + 1));
  }
  const bool picture = mxGetNumberOfDimensions(output) > 2;
  const bool file = std::strcmp(command->name, "korvelEncodePng") == 0;
  const mxClassID expected = picture ? mxGetClassID(call.inputs[0])
                             : file  ? mxUINT8_CLASS
                                     : mxDOUBLE_CLASS;
  if (mxGetClassID(output) != expected || mxIsComplex(output))
    broken("output 1 is not a real array of the class the command returns");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  command = korvel::findCommand(KORVEL_STRING(FUZZ_COMMAND));
  predict = prediction::forCommand(KORVEL_STRING(FUZZ_COMMAND));
  if (command == nullptr) {
    std::fprintf(stderr, "%s: not in commands.tsv\n", KORVEL_STRING(FUZZ_COMMAND));
    std::exit(2);
  }
  if (predict == nullptr)
    std::fprintf(stderr, "%s: no prediction in fuzz/prediction.h: every promise is checked, not the results\n",
                 command->name);
  reportsAddress = command->results == korvel::Results::address;
  documented = contract::readHelpIdentifiers(KORVEL_SOURCE_DIR, *command);
  if (documented.empty()) {
    std::fprintf(stderr, "no error identifiers in %s/%s\n", KORVEL_SOURCE_DIR, command->help);
    std::exit(2);
  }
  // The plug-ins lie beside the fuzz targets. Loading now, before fuzzing
  // starts, lets libFuzzer see the plug-in's coverage counters.
  plugin = new standin::Plugin(folderOf((*argv)[0]), command->name);
  if (!plugin->ok()) {
    std::fprintf(stderr, "%s\n", plugin->error().c_str());
    std::exit(2);
  }
  (void)argc;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzzcall::Call call;
  fuzzcall::decode(data, size, reportsAddress, call);

  // In place, an input passed twice may be written through one slot and
  // read through another: the outcome is then the host's business, not the
  // reference's. The value form writes only its own outputs. A call that
  // asks for more outputs than the command returns is refused.
  const bool valueForm = command->valueOutputs() > 0 && call.nlhs == command->valueOutputs();
  const bool outputsFit = call.nlhs <= command->outputs() || valueForm;
  const prediction::Prediction prediction =
      (call.aliased && !valueForm) || !outputsFit || predict == nullptr ? prediction::Prediction()
                                                                         : predict(call.inputs);
  std::vector<std::vector<std::uint8_t>> before;
  for (const mxArray *input : call.inputs) before.push_back(snapshot(input));

  const long aliveBefore = standinArraysAlive();
  const long createdBefore = standinArraysCreated();
  standin::CallOutcome outcome = plugin->call(call.inputs, call.nlhs);
  const long created = standinArraysCreated() - createdBefore;

  if (outcome.failed) {
    if (!outputsFit && outcome.identifier != std::string(command->name) + ":tooManyOutputs")
      broken("more outputs than returned were not refused first", outcome.identifier);
    if (documented.count(outcome.identifier) == 0)
      broken("an error its help does not list", outcome.identifier + ": " + outcome.message);
    if (outcome.identifier.compare(0, std::strlen(command->name) + 1,
                                   std::string(command->name) + ":") != 0)
      broken("an error of another command", outcome.identifier);
    if (prediction.inContract)
      broken("an in-contract call was refused", outcome.identifier + ": " + outcome.message);
    for (mxArray *output : outcome.outputs)
      if (output != nullptr) broken("an output survived an error");
    for (std::size_t slot = 0; slot < call.inputs.size(); ++slot)
      if (snapshot(call.inputs[slot]) != before[slot])
        broken("a refused call changed an input", "input " + std::to_string(slot + 1));
    if (standinArraysAlive() != aliveBefore) broken("a refused call left a host array alive");
    return 0;
  }

  if (!outputsFit) broken("more outputs than returned were not refused", std::to_string(call.nlhs));
  const bool inPlace = command->inPlace(call.nlhs);
  const int writtenInputs = inPlace ? command->writtenInputs : 0;
  if (valueForm)
    checkCopies(outcome, call);
  else
    checkOutputs(outcome, call);
  if (created != command->createdFor(call.nlhs))
    broken("host arrays were created besides the outputs", std::to_string(created));
  for (std::size_t slot = writtenInputs; slot < call.inputs.size(); ++slot) {
    bool written = false;  // an input that is also one of the written ones
    for (int w = 0; w < writtenInputs; ++w)
      written = written || (w < static_cast<int>(call.inputs.size()) &&
                            call.inputs[w] == call.inputs[slot]);
    if (!written && snapshot(call.inputs[slot]) != before[slot])
      broken("an input that is only read was changed", "input " + std::to_string(slot + 1));
  }

  if (prediction.inContract) {
    if (command->createsOutput()) {
      const mxArray *output = outcome.outputs[0];
      if (mxGetM(output) != prediction.rows || mxGetN(output) != prediction.columns)
        broken("output 1 has the wrong size");
      expectSame("output 1", prediction.values, mxGetPr(output));
    } else {
      const mxArray *const *left = valueForm ? outcome.outputs.data() : call.inputs.data();
      expectSame("the stroke buffer", prediction.strokes, mxGetPr(left[0]));
      expectSame("the colour buffer", prediction.colours, mxGetPr(left[1]));
      expectSame("the counter", {prediction.counter}, mxGetPr(left[2]));
    }
  }

  // Same call, same bits: nothing is kept from one call to the next.
  if (!inPlace) {
    standin::CallOutcome again = plugin->call(call.inputs, call.nlhs);
    if (again.failed) broken("the same call failed the second time", again.identifier);
    // Every output, of whatever class and shape, byte for byte.
    for (std::size_t slot = 0; slot < outcome.outputs.size(); ++slot)
      if ((outcome.outputs[slot] == nullptr) != (again.outputs[slot] == nullptr) ||
          (outcome.outputs[slot] != nullptr &&
           contract::snapshot(outcome.outputs[slot]) != contract::snapshot(again.outputs[slot])))
        broken("the same call gave another result the second time", std::to_string(slot + 1));
    for (mxArray *output : again.outputs) mxDestroyArray(output);
  }
  for (mxArray *output : outcome.outputs) mxDestroyArray(output);
  if (standinArraysAlive() != aliveBefore) broken("host arrays left alive");
  return 0;
}
