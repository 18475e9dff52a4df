"""A call of a MEX command as the package's call, and their results compared.

The package takes exactly the elements a command reads: where a command
reads the first k elements of an argument of any shape (a position, an
angle, a colour, ...), the package is given those k. A call that the
package's arguments cannot express (CODES with columns but no rows, FROM
without a first column, an ORDER entry that is not a whole number) has no
counterpart.

A picture, H-by-W-by-3 in MATLAB and so (3, W, H) in the case files, is the
package's (H, W, 3) array: the same axes reversed, as are the colour
matrices. One-based face numbers are the package's zero-based indices.
"""
import numpy as np

import korvel


class NoCounterpart(Exception):
    pass


def first(array, count):
    """The first `count` elements the command reads, or the array as it is
    when it has fewer (and the command refuses it)."""
    flat = array.reshape(-1)
    return flat[:count] if flat.size >= count else array


def _strokes(inputs, nlhs):
    B, C, N, T, codes, scale, origin, position, colour = inputs
    if codes.size < codes.shape[0]:
        raise NoCounterpart("CODES with fewer elements than columns")
    args = (B, C, first(N, 1), T, codes.reshape(-1)[:codes.shape[0]], first(scale, 1),
            first(origin, 2), first(position, 1), first(colour, 3))
    # In place as the command is asked, into writable copies.
    return korvel.stroke_text, args, ({"out": (B.copy(), C.copy())} if nlhs == 0 else {})


def _swap(inputs, nlhs):
    A, FROM, TO = inputs
    if FROM.shape[1] > 0 and FROM.shape[0] == 0:
        raise NoCounterpart("FROM without a first column")
    pairs = FROM.shape[1]
    return korvel.value_swap, (A, FROM.reshape(-1)[:pairs], first(TO, pairs)), {}


def _faces(inputs, nlhs):
    F, S, MASK = inputs
    triangles = F.shape[0] if F.ndim == 2 else 0
    return korvel.face_shown, (F, S, first(MASK, triangles)), {}


def _paint_order(ORDER):
    order = ORDER.reshape(-1).astype(np.float64)
    if not np.all(np.isfinite(order) & (order == np.floor(order)) & (np.abs(order) < 2.0 ** 53)):
        raise NoCounterpart("ORDER entries that are not whole numbers")
    return (order - 1).astype(np.int64)


def _picture(P, nlhs, kwargs):
    """The picture as the package takes it; asked for no output, the command
    paints in place, and the package into a writable copy given as out."""
    if nlhs != 0 or P.ndim != 3:
        return P.T
    kwargs["out"] = np.array(P.T, order="C")
    return kwargs["out"]


def _triangles(inputs, nlhs):
    P, VIEW, UV, F, COLOURS, ORDER = inputs
    kwargs = {"winners": True} if nlhs >= 2 else {}
    return (korvel.paint_triangles,
            (_picture(P, nlhs, kwargs), first(VIEW, 3), UV, F, COLOURS.T, _paint_order(ORDER)), kwargs)


def _strokes_painted(inputs, nlhs):
    P, VIEW, SEGMENTS, COLOURS, WIDTH = inputs
    kwargs = {}
    return korvel.paint_strokes, (_picture(P, nlhs, kwargs), first(VIEW, 3), SEGMENTS, COLOURS.T, WIDTH), kwargs


def _depths(inputs, nlhs):
    F, D, FLAGS = inputs
    triangles = F.shape[0] if F.ndim == 2 else 0
    return korvel.depth_order, (F, D.reshape(-1), first(FLAGS, triangles)), {}


MAPPINGS = {
    "korvelOffset": lambda i, n: (korvel.offset, (i[0], first(i[1], 3)), {}),
    "korvelSpin": lambda i, n: (korvel.spin, (i[0], first(i[1], 1)), {}),
    "korvelToViewer": lambda i, n: (korvel.to_viewer, (i[0], first(i[1], 3), first(i[2], 1)), {}),
    "korvelRange": lambda i, n: (korvel.ranges, (i[0],), {}),
    "torusScreenMex": lambda i, n: (korvel.torus_screen, (i[0],), {}),
    "coneScreenMex": lambda i, n: (korvel.cone_screen, (i[0],), {}),
    "korvelTorusScreen": lambda i, n: (korvel.torus_screen, (i[0],), {"gain": i[1], "horizon": i[2]}),
    "korvelConeScreen": lambda i, n: (korvel.cone_screen, (i[0],), {"radial": i[1], "vertical": i[2]}),
    "korvelFaceShown": _faces,
    "korvelDepthOrder": _depths,
    "korvelPaintTriangles": _triangles,
    "korvelPaintStrokes": _strokes_painted,
    "korvelStrokeText": _strokes,
    "korvelEncodePng": lambda i, n: (korvel.encode_png, (i[0].T,), {}),
    "plateauLabels": lambda i, n: (korvel.plateau_labels, (i[0],), {}),
    "valueSwap": _swap,
}
THREADED = set(MAPPINGS) - {"korvelStrokeText", "korvelDepthOrder"}


def package_call(command, inputs, nlhs, threads=None):
    """(function, args, kwargs) of the package for the call; KeyError for a
    command it has no function for, NoCounterpart for a call it cannot
    express or one with too few inputs (a refusal of Python's own)."""
    try:
        function, args, kwargs = MAPPINGS[command](inputs, nlhs)
    except (IndexError, ValueError):
        raise NoCounterpart("too few inputs")
    if threads is not None and command in THREADED:
        kwargs = dict(kwargs, threads=threads)
    return function, args, kwargs


def same_bits(mine, theirs):
    """Equal bit for bit, any NaN equal to any NaN (as korvel_run compares)."""
    mine = np.ascontiguousarray(mine, dtype=np.float64).reshape(-1)
    theirs = np.ascontiguousarray(theirs, dtype=np.float64).reshape(-1)
    if mine.shape != theirs.shape:
        return False
    nan = np.isnan(mine)
    return bool((nan == np.isnan(theirs)).all() and
                (mine.view(np.uint64)[~nan] == theirs.view(np.uint64)[~nan]).all())


def expected_arrays(command, nlhs, outputs, inputs_after):
    """What the command gave, in the package's result order."""
    if command == "korvelStrokeText":
        B, C, N = (inputs_after if nlhs == 0 else outputs)[:3]
        return [B, C, N.reshape(-1)[:1]]
    if command in ("korvelPaintTriangles", "korvelPaintStrokes") and nlhs == 0:
        return inputs_after[:1]  # painted in place
    if command in ("korvelPaintTriangles", "korvelDepthOrder"):
        return outputs[:nlhs]
    return outputs[:1]


def package_arrays(command, result):
    if command == "korvelStrokeText":
        B, C, n = result
        return [B, C, np.array([n])]
    if command == "korvelEncodePng":  # bytes; the command's uint8 row
        return [np.frombuffer(result, dtype=np.uint8)]
    if command == "korvelFaceShown":  # the command's 1.0 and 0.0
        return [result.astype(np.float64)]
    if command == "plateauLabels":    # whole doubles, exact as int64
        return [result.astype(np.float64)]
    if command == "korvelDepthOrder":  # one-based numbers
        order, depth = result
        return [order + 1.0, depth]
    if command in ("korvelPaintTriangles", "korvelPaintStrokes"):
        if not isinstance(result, tuple):
            return [result.T]
        picture, winners = result    # winners: one-based numbers, 0 for none
        return [picture.T, (winners + 1.0).T]
    return [result]


def agrees(command, nlhs, result, outputs, inputs_after):
    mine = package_arrays(command, result)
    theirs = expected_arrays(command, nlhs, outputs, inputs_after)
    return len(mine) == len(theirs) and all(a.size == b.size and same_bits(a, b)
                                            for a, b in zip(mine, theirs))
