"""The in-place form's sharing refusals, which the case file cannot hold (the
case table's `same` inputs): a written buffer sharing memory with what is
read while it is written is refused with sharedData, and nothing is written;
the value form may share anything."""
import numpy as np
import pytest

import korvel

TABLE = np.array([[0.0, 0.0, 1.0, 1.0]])


def call(B, C, table, codes, **out):
    return korvel.stroke_text(B, C, 0, table, codes, 1, [0, 0], 1, [1, 1, 1], **out)


@pytest.mark.parametrize("shared", ["codes in B", "table in C", "B in C", "C in B"])
def test_sharing_refused_in_place(shared):
    memory = np.ones(64)
    B, C = memory[:8].reshape(2, 4), memory[8:20].reshape(2, 6)
    table, codes = TABLE, np.ones(2)
    if shared == "codes in B":
        codes = B.reshape(-1)[:2]
    elif shared == "table in C":
        table = C.reshape(-1)[:4].reshape(1, 4)
    out = (B, C)
    if shared == "B in C":
        out = (B, memory[4:16].reshape(2, 6))
    elif shared == "C in B":
        out = (memory[8:16].reshape(2, 4), C)
    before = memory.copy()
    with pytest.raises(ValueError) as refusal:
        call(B, C, table, codes, out=out)
    assert refusal.value.reason == "sharedData"
    assert np.array_equal(memory, before)


def test_value_form_may_share():
    B, C = np.ones((2, 4)), np.zeros((2, 6))
    strokes, colours, count = call(B, C, TABLE, B.reshape(-1)[:2])
    assert count == 2.0 and np.array_equal(B, np.ones((2, 4)))
    assert np.array_equal(strokes[:, 2:], np.ones((2, 2))) and colours[1, 0] == 1.0
