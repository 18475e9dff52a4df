"""The calls of the C++ case table (tests/support/cases.cpp, written by the
build as case_table.cases) through the package: each refusal that the
package's arguments can still express is refused with the reason of the MEX
identifier, and leaves every input as it was; each answered call gives the
command's bits and changes nothing but its out= buffers. A class the command refuses (badClass) may be one that
np.asarray converts: the package then answers, or refuses what follows."""
import numpy as np
import pytest

import calls


def outcome(command, nlhs, inputs, threads=None):
    """('refused', reason) or ('answered', result); None without a counterpart."""
    try:
        function, args, kwargs = calls.package_call(command, inputs, nlhs, threads)
    except (KeyError, calls.NoCounterpart):
        return None
    out = kwargs.get("out", ())
    written = list(out) if isinstance(out, tuple) else [out]  # stroke_text's pair, a picture
    read = [a for a in args if isinstance(a, np.ndarray) and not any(a is w for w in written)]
    before = [a.copy() for a in read + written]
    try:
        result = function(*args, **kwargs)
    except (TypeError, ValueError) as error:
        if not hasattr(error, "reason"):
            return None  # Python's own: too few arguments
        assert unchanged(before, read + written), "a refused call changed an input"
        return "refused", error.reason
    assert unchanged(before, read), "a call changed an input it reads"
    return "answered", result


def unchanged(before, after):
    return all(calls.same_bits(a, b) if a.dtype.kind == "f" else np.array_equal(a, b)
               for a, b in zip(before, after))


def check(call, answer, threads=None):
    (command, nlhs, inputs), (identifier, outputs, after) = call, answer
    got = outcome(command, nlhs, inputs, threads)
    if got is None:
        return "no counterpart"
    reason = identifier.split(":")[1] if identifier else None
    if reason is None:
        assert got[0] == "answered", "%s refused an answered call: %s" % (command, got[1])
        assert calls.agrees(command, nlhs, got[1], outputs, after), "%s: other bits" % command
        return "answered"
    if reason == "badClass" and got != ("refused", "badClass"):
        return "converted"  # then answered, or refused for what follows
    assert got[0] == "refused", "%s answered a call refused with %s" % (command, reason)
    assert got[1] == reason, "%s: %s, not %s" % (command, got[1], reason)
    return "refused alike"


def test_case_table(case_table):
    tally = {}
    for call, answer in case_table:
        kind = check(call, answer)
        tally[kind] = tally.get(kind, 0) + 1
    print(tally)
    assert tally.get("refused alike", 0) > 30 and tally.get("answered", 0) > 500
