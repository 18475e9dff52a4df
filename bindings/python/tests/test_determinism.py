"""The determinism corpus (tests/determinism/) through the package: every call
the MEX commands answer gives the linux64 results bit for bit, at 1 and at 3
threads; every refusal it can express is refused with the same reason."""
import pytest

from test_case_table import check


@pytest.mark.parametrize("threads", [1, 3])
def test_corpus_matches_linux64(corpus, threads):
    cases, results = corpus
    assert len(cases) == len(results)
    tally = {}
    for call, answer in zip(cases, results):
        if call[0] in ("korvelDataPtr", "pelvaDataPtr"):
            continue
        kind = check(call, answer, threads)
        tally[kind] = tally.get(kind, 0) + 1
    print(threads, tally)
    assert tally.get("answered", 0) > 3000
