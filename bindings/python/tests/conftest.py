"""Where the tests find the C++ build's tools: the release tree's korvel_run,
korvel_corpus and plug-ins (KORVEL_MEX, default build/mex of this checkout),
which give the MEX commands' answers to the same calls."""
import os
import subprocess
import sys

import pytest

sys.path.insert(0, os.path.dirname(__file__))

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))


def _mex():
    return os.environ.get("KORVEL_MEX", os.path.join(ROOT, "build", "mex"))


def _tool(name):
    path = os.path.join(_mex(), name)
    if not os.path.exists(path):
        pytest.fail("no %s in %s: build the release tree first (make build)" % (name, _mex()))
    return path


def run_calls(cases, results):
    subprocess.run([_tool("korvel_run"), "--plugins=" + _mex(), cases, results], check=True)


@pytest.fixture(scope="session")
def case_table(tmp_path_factory):
    """The case table's calls and the MEX commands' results of them."""
    import kvfiles
    cases = os.path.join(_mex(), "case_table.cases")
    _tool("case_table.cases")
    results = str(tmp_path_factory.mktemp("table") / "case_table.results")
    run_calls(cases, results)
    return list(zip(kvfiles.read_cases(cases), kvfiles.read_results(results)))


@pytest.fixture(scope="session")
def corpus(tmp_path_factory):
    """The determinism corpus and its linux64 results: those of
    tests/determinism/run.sh when it passes them (KORVEL_CORPUS and
    KORVEL_CORPUS_RESULTS), else made here."""
    import kvfiles
    cases = os.environ.get("KORVEL_CORPUS")
    results = os.environ.get("KORVEL_CORPUS_RESULTS")
    if not cases or not results:
        folder = tmp_path_factory.mktemp("corpus")
        cases, results = str(folder / "corpus.cases"), str(folder / "linux64.results")
        subprocess.run([_tool("korvel_corpus"), cases], check=True)
        run_calls(cases, results)
    return kvfiles.read_cases(cases), kvfiles.read_results(results)
