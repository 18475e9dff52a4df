// What every command of commands.tsv promises beyond its results, checked
// over all of them from the case table (support/cases.h) and the list's
// facts: output 1 in slot 0 and nothing else, inputs unchanged but those
// the list says it writes, no host array created but output 1, nothing kept
// from one call to the next, a value form that returns what the in-place
// form writes and writes nothing, and refused calls that raise an identifier
// their help lists and leave everything as it was: also a call that asks for
// more outputs than the command returns, and one given a value without a
// data block (a function handle, an object).
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "korvel_commands.h"

using namespace harness;

namespace {

using Inputs = std::vector<Array>;

struct Case {
  const char *command;
  std::function<Inputs()> make;
  std::string identifier;  // what a refused call raises
  // An entry that is not in the list fails Cases.EveryCommandOfTheListHasAnEntryWithCallsInAndOutOfContract.
  const korvel::CommandFacts &facts() const {
    static const korvel::CommandFacts unlisted{"", "", "", 0, true, korvel::Results::exact, ""};
    const korvel::CommandFacts *listed = korvel::findCommand(command);
    return listed != nullptr ? *listed : unlisted;
  }
  int writtenInputs() const { return facts().writtenInputs; }
  bool createsOutput() const { return facts().createsOutput(); }
  int outputs() const { return facts().outputs(); }
  int mostOutputs() const { return facts().mostOutputs(); }
};

Case fromTable(const char *command, const cases::Inputs &values, std::string identifier = "") {
  return {command,
          [&values] {
            Inputs in;
            for (const cases::Value &value : values) in.push_back(fromCase(value));
            return in;
          },
          std::move(identifier)};
}

// The case table's calls of each kind, in the list's order.
std::vector<Case> acceptedCalls() {
  std::vector<Case> all;
  for (const korvel::CommandFacts &command : korvel::kCommands)
    if (const cases::CommandCases *table = cases::find(command.name))
      for (const cases::Inputs &inputs : table->accepted) all.push_back(fromTable(table->command, inputs));
  return all;
}

std::vector<Case> refusedCalls() {
  std::vector<Case> all;
  for (const korvel::CommandFacts &command : korvel::kCommands)
    if (const cases::CommandCases *table = cases::find(command.name))
      for (const cases::Refusal &refused : table->refused)
        all.push_back(fromTable(table->command, refused.inputs,
                                std::string(table->command) + ":" + refused.reason));
  return all;
}

// Calls whose result would be larger than the host can create: each
// refused with tooLarge before any data is read, as none is there.
std::vector<Case> tooLargeCalls() {
  std::vector<Case> all;
  for (const cases::CommandCases &table : cases::all())
    for (const cases::Inputs &inputs : table.tooLarge) all.push_back(fromTable(table.command, inputs));
  return all;
}

std::vector<const mxArray *> pointersTo(const Inputs &inputs) {
  std::vector<const mxArray *> pointers;
  for (const Array &input : inputs) pointers.push_back(input);
  return pointers;
}

using contract::snapshot;

std::vector<std::vector<unsigned char>> snapshots(const Inputs &inputs) {
  std::vector<std::vector<unsigned char>> all;
  for (const Array &input : inputs) all.push_back(snapshot(input));
  return all;
}

std::string label(const Case &c, size_t index) {
  return std::string(c.command) + " (case " + std::to_string(index) + ")";
}

// The identifiers the help files list.
std::set<std::string> documentedIdentifiers() {
  return contract::readHelpIdentifiers(KORVEL_SOURCE_DIR);
}

}  // namespace

// Output 1 is stored whether it is asked for or not, the same bits either
// way and with an input more than the command reads; a second output only
// when asked for.
TEST(Promises, OutputOneGoesToSlotZeroAndOthersOnlyWhenAskedFor) {
  const std::vector<Case> cases = acceptedCalls();
  for (size_t i = 0; i < cases.size(); ++i) {
    std::vector<unsigned char> asked;
    for (bool extra : {false, true})
      for (int nlhs = cases[i].outputs(); nlhs >= 0; --nlhs) {
        Inputs inputs = cases[i].make();
        if (extra) inputs.push_back(scalar(9));
        Result result = call(cases[i].command, pointersTo(inputs), nlhs);
        ASSERT_FALSE(result.failed) << label(cases[i], i) << ": " << result.message;
        EXPECT_EQ(result.output().get() != nullptr, cases[i].facts().createdFor(nlhs) > 0)
            << label(cases[i], i) << ", nlhs " << nlhs;
        for (size_t slot = 1; slot < result.outputs.size(); ++slot)
          EXPECT_EQ(result.outputs[slot].get() != nullptr, static_cast<int>(slot) < nlhs)
              << label(cases[i], i) << ", slot " << slot;
        if (result.output().get() == nullptr || cases[i].facts().results == korvel::Results::address) continue;
        if (asked.empty()) asked = snapshot(result.output());
        EXPECT_EQ(snapshot(result.output()), asked)
            << label(cases[i], i) << ", nlhs " << nlhs << (extra ? ", an input more" : "");
      }
  }
}

TEST(Promises, InputsThatAreOnlyReadStayByteForByte) {
  const std::vector<Case> cases = acceptedCalls();
  for (size_t i = 0; i < cases.size(); ++i) {
    Inputs inputs = cases[i].make();
    const auto before = snapshots(inputs);
    // An extra input beyond those the command reads is not touched either.
    Array extra = doubles(1, 2, {7, 8});
    std::vector<const mxArray *> pointers = pointersTo(inputs);
    pointers.push_back(extra);
    ASSERT_FALSE(call(cases[i].command, pointers, cases[i].outputs()).failed)
        << label(cases[i], i);
    for (size_t slot = cases[i].writtenInputs(); slot < inputs.size(); ++slot)
      EXPECT_EQ(snapshot(inputs[slot]), before[slot])
          << label(cases[i], i) << " changed input " << slot + 1;
    EXPECT_TRUE(isMatrix(extra, 1, 2, {7, 8})) << label(cases[i], i);
  }
}

TEST(Promises, NoHostArrayIsCreatedButTheOutputs) {
  const std::vector<Case> cases = acceptedCalls();
  for (size_t i = 0; i < cases.size(); ++i) {
    Inputs inputs = cases[i].make();
    const long created = standinArraysCreated();
    const long alive = standinArraysAlive();
    {
      Result result = call(cases[i].command, pointersTo(inputs), cases[i].outputs());
      ASSERT_FALSE(result.failed) << label(cases[i], i);
      EXPECT_EQ(standinArraysCreated() - created, cases[i].outputs())
          << label(cases[i], i);
    }
    EXPECT_EQ(standinArraysAlive(), alive) << label(cases[i], i);
  }
}

// Every call is made twice, once in table order and once in reverse order
// with all the other commands in between; both must give the same bits.
TEST(Promises, NothingIsKeptFromOneCallToTheNext) {
  const std::vector<Case> cases = acceptedCalls();
  std::vector<Inputs> inputs;
  std::vector<std::vector<std::vector<unsigned char>>> pristine;
  for (const Case &c : cases) {
    inputs.push_back(c.make());
    pristine.push_back(snapshots(inputs.back()));
  }
  // What a call leaves: output 1 and the inputs it writes.
  auto outcome = [&](size_t i) {
    // Written inputs start from their first contents on every call.
    for (int slot = 0; slot < cases[i].writtenInputs(); ++slot) {
      const auto &bytes = pristine[i][slot];
      if (bytes.size() > contract::kSnapshotHeader)  // an empty picture has no data block
        std::memcpy(mxGetData(inputs[i][slot].get()), bytes.data() + contract::kSnapshotHeader,
                    bytes.size() - contract::kSnapshotHeader);
    }
    Result result = call(cases[i].command, pointersTo(inputs[i]), cases[i].outputs());
    EXPECT_FALSE(result.failed) << label(cases[i], i) << ": " << result.message;
    std::vector<std::vector<unsigned char>> left;
    if (result.output().get() != nullptr) left.push_back(snapshot(result.output()));
    for (int slot = 0; slot < cases[i].writtenInputs(); ++slot)
      left.push_back(snapshot(inputs[i][slot]));
    return left;
  };
  std::vector<std::vector<std::vector<unsigned char>>> first(cases.size());
  for (size_t i = 0; i < cases.size(); ++i) first[i] = outcome(i);
  for (size_t i = cases.size(); i-- > 0;)
    EXPECT_EQ(outcome(i), first[i]) << label(cases[i], i) << " gave other bits the second time";
}

// The call is refused with an identifier its help lists (`identifier` itself
// when given) and leaves no output, no host array and every input as
// it was.
void expectRefused(const std::string &what, const char *command, const Inputs &inputs, int nlhs,
                   const std::string &identifier = "") {
  static const std::set<std::string> documented = documentedIdentifiers();
  ASSERT_FALSE(documented.empty()) << "no identifiers in the help files";
  const auto before = snapshots(inputs);
  const long alive = standinArraysAlive();
  {
    Result result = call(command, pointersTo(inputs), nlhs);
    ASSERT_TRUE(result.failed) << what << " was not refused";
    EXPECT_EQ(documented.count(result.identifier), 1u)
        << what << " raised " << result.identifier << ", which its help does not list";
    EXPECT_EQ(result.identifier.rfind(std::string(command) + ":", 0), 0u) << result.identifier;
    if (!identifier.empty()) {
      EXPECT_EQ(result.identifier, identifier) << what;
    }
    for (const Array &output : result.outputs) EXPECT_EQ(output.get(), nullptr);
    EXPECT_FALSE(result.message.empty());
    EXPECT_NE(result.message.rfind(command, 0), 0u)
        << "the host adds the command name: " << result.message;
  }
  EXPECT_EQ(standinArraysAlive(), alive) << what;
  for (size_t slot = 0; slot < inputs.size(); ++slot)
    EXPECT_EQ(snapshot(inputs[slot]), before[slot]) << what << " changed input " << slot + 1;
}

// The value form refuses what the in-place form refuses (the table's refusals
// hold no sharing, which only the in-place form refuses); a command that
// returns outputs refuses them asked for none, too.
TEST(Promises, RefusedCallsRaiseADocumentedErrorAndLeaveEverythingAsItWas) {
  const std::vector<Case> cases = refusedCalls();
  for (size_t i = 0; i < cases.size(); ++i)
    for (int nlhs : {0, cases[i].outputs(), cases[i].mostOutputs()})
      expectRefused(label(cases[i], i) + ", nlhs " + std::to_string(nlhs), cases[i].command,
                    cases[i].make(), nlhs, cases[i].identifier);
}

// Asked for as many outputs as the inputs it writes in place, a command
// returns them as new arrays holding the bits the in-place call leaves in
// them, creates nothing else and changes no input.
TEST(Promises, TheValueFormReturnsWhatTheInPlaceFormWritesAndWritesNothing) {
  const std::vector<Case> cases = acceptedCalls();
  for (size_t i = 0; i < cases.size(); ++i) {
    const int written = cases[i].facts().valueOutputs();
    if (written == 0) continue;
    Inputs inPlace = cases[i].make();
    ASSERT_FALSE(call(cases[i].command, pointersTo(inPlace), 0).failed) << label(cases[i], i);
    Inputs inputs = cases[i].make();
    const auto before = snapshots(inputs);
    const long created = standinArraysCreated();
    Result result = call(cases[i].command, pointersTo(inputs), written);
    ASSERT_FALSE(result.failed) << label(cases[i], i) << ": " << result.message;
    EXPECT_EQ(standinArraysCreated() - created, written) << label(cases[i], i);
    EXPECT_EQ(snapshots(inputs), before) << label(cases[i], i);
    ASSERT_EQ(result.outputs.size(), static_cast<size_t>(written)) << label(cases[i], i);
    for (int k = 0; k < written; ++k)
      EXPECT_EQ(snapshot(result.outputs[k]), snapshot(inPlace[k]))
          << label(cases[i], i) << ", output " << k + 1;
  }
}

// Before anything is read or written: korvelStrokeText's buffers stay as they were.
TEST(Promises, AskingForMoreOutputsThanTheCommandReturnsIsRefusedFirst) {
  for (const std::vector<Case> &cases : {acceptedCalls(), refusedCalls()})
    for (size_t i = 0; i < cases.size(); ++i)
      // One and two more than the in-place form returns, one more than the value form.
      for (int nlhs : {cases[i].outputs() + 1, cases[i].outputs() + 2, cases[i].mostOutputs() + 1})
        if (nlhs != cases[i].facts().valueOutputs())
          expectRefused(label(cases[i], i) + " with " + std::to_string(nlhs) + " output(s)",
                        cases[i].command, cases[i].make(), nlhs,
                        std::string(cases[i].command) + ":tooManyOutputs");
}

// Octave aborts when asked for the data of a function handle or an object,
// and so does the stand-in host: each input is checked for one first.
TEST(Promises, ValuesWithoutADataBlockAreRefusedInEverySlot) {
  const std::vector<Case> cases = acceptedCalls();
  const std::pair<mxClassID, const char *> values[] = {{mxFUNCTION_CLASS, "function_handle"},
                                                       {mxUNKNOWN_CLASS, "containers.Map"}};
  for (size_t i = 0; i < cases.size(); ++i)
    for (size_t slot = 0; slot < cases[i].make().size(); ++slot)
      for (const auto &value : values) {
        Inputs inputs = cases[i].make();
        inputs[slot] = Array(standinCreateValueWithoutData(value.first, value.second));
        expectRefused(label(cases[i], i) + " given a " + value.second + " as input " +
                          std::to_string(slot + 1),
                      cases[i].command, inputs, cases[i].outputs(),
                      std::string(cases[i].command) + ":badClass");
      }
}

// The gateway raises these for every command, so every help lists them.
TEST(Promises, EveryHelpListsTheErrorsEveryCommandCanRaise) {
  for (const korvel::CommandFacts &command : korvel::kCommands) {
    const std::set<std::string> listed = contract::readHelpIdentifiers(KORVEL_SOURCE_DIR, command);
    for (const char *reason : {":notEnoughInputs", ":tooManyOutputs", ":badClass"})
      EXPECT_EQ(listed.count(command.name + std::string(reason)), 1u)
          << command.help << " does not list " << command.name << reason;
  }
}

// Every command whose help lists tooLarge raises it.
TEST(Promises, AResultLargerThanTheHostCanCreateIsRefusedBeforeAnyDataIsRead) {
  const std::set<std::string> documented = documentedIdentifiers();
  std::set<std::string> raisedBy;
  for (const Case &c : tooLargeCalls()) {
    const std::string identifier = std::string(c.command) + ":tooLarge";
    EXPECT_EQ(documented.count(identifier), 1u) << identifier << " is not in its help";
    const long alive = standinArraysAlive();
    {
      Inputs inputs = c.make();
      Result result = call(c.command, pointersTo(inputs), c.mostOutputs());
      EXPECT_TRUE(raised(result, identifier));
      EXPECT_NE(result.message.find("more than this host can create"), std::string::npos)
          << result.message;
    }
    EXPECT_EQ(standinArraysAlive(), alive) << c.command;
    raisedBy.insert(identifier);
  }
  for (const std::string &identifier : documented) {
    const bool tooLarge =
        identifier.size() > 9 && identifier.compare(identifier.size() - 9, 9, ":tooLarge") == 0;
    if (tooLarge) {
      EXPECT_EQ(raisedBy.count(identifier), 1u) << "no call here raises " << identifier;
    }
  }
}

// A command added to the list is held to every promise above: its entry
// has calls in and out of contract, and every entry is a command of the list.
TEST(Cases, EveryCommandOfTheListHasAnEntryWithCallsInAndOutOfContract) {
  for (const cases::CommandCases &table : cases::all())
    EXPECT_NE(korvel::findCommand(table.command), nullptr) << table.command << " is not in commands.tsv";
  for (const korvel::CommandFacts &command : korvel::kCommands) {
    const cases::CommandCases *table = cases::find(command.name);
    ASSERT_NE(table, nullptr) << command.name << " has no entry in tests/support/cases.cpp";
    EXPECT_FALSE(table->accepted.empty()) << command.name << " has no accepted calls";
    EXPECT_FALSE(table->refused.empty()) << command.name << " has no refused calls";
    EXPECT_EQ(table->random == nullptr, command.results == korvel::Results::address)
        << command.name << ": random calls for every command but those giving a data address";
  }
}

// The usage line of the list is the one the command quotes.
TEST(Promises, MessagesQuoteTheUsageLineOfTheList) {
  for (const korvel::CommandFacts &command : korvel::kCommands) {
    Result result = call(command.name, {}, command.outputs());
    EXPECT_TRUE(raised(result, std::string(command.name) + ":notEnoughInputs"));
    EXPECT_NE(result.message.find(std::string(", as in ") + command.usage + "; got 0"),
              std::string::npos)
        << command.name << ": " << result.message;
  }
}
