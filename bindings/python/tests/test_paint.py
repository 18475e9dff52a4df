"""What the case table cannot show of the paint functions: pictures large
enough for threads, which cut a C-ordered picture into bands of rows (the
MEX commands' pictures into bands of columns), give the one-thread bits;
any layout or float dtype of the picture paints alike, into out= too; and
the arguments that only the package takes."""
import numpy as np
import pytest

import korvel

RANDOM = np.random.default_rng(20261210)
HEIGHT, WIDTH, FACES = 420, 700, 3000    # past the kernels' thread threshold
UV = RANDOM.uniform(-20, WIDTH + 20, size=(2000, 2)) * [1, HEIGHT / WIDTH]
TRIANGLES = RANDOM.integers(0, len(UV), size=(FACES, 3))
ORDER = korvel.depth_order(TRIANGLES, RANDOM.normal(size=len(UV)), np.ones(FACES))[0]
SEGMENTS = RANDOM.uniform(-20, WIDTH + 20, size=(300, 4)) * [1, HEIGHT / WIDTH, 1, HEIGHT / WIDTH]
COLOURS = RANDOM.uniform(-0.1, 1.1, size=(FACES, 3))
VIEW = (0, HEIGHT, 1)


def painted(picture, threads):
    P, W = korvel.paint_triangles(picture, VIEW, UV, TRIANGLES, COLOURS, ORDER, threads=threads,
                                  winners=True)
    return P, W, korvel.paint_strokes(picture, VIEW, SEGMENTS, COLOURS[:300], 3, threads=threads)


@pytest.mark.parametrize("dtype", [np.float64, np.float32, np.uint8])
def test_threads_and_layouts_paint_alike(dtype):
    picture = (RANDOM.uniform(size=(HEIGHT, WIDTH, 3)) * (255 if dtype == np.uint8 else 1)).astype(dtype)
    alone = painted(picture.astype(np.uint8 if dtype == np.uint8 else np.float64), 1)
    assert (alone[1] >= 0).any() and (alone[1] == -1).any() and (alone[2] != picture).any()
    strided = np.repeat(picture, 2, axis=1)[:, ::2]
    for given, threads in [(picture, 4), (np.asfortranarray(picture), 3), (strided, 2)]:
        assert all(np.array_equal(a, b) and a.dtype == b.dtype
                   for a, b in zip(painted(given, threads), alone))
        # Into out=: the picture copied in, or painted where it is.
        out = np.zeros_like(alone[0])
        assert korvel.paint_triangles(given, VIEW, UV, TRIANGLES, COLOURS, ORDER, out=out) is out
        assert np.array_equal(out, alone[0])
        korvel.paint_strokes(out, VIEW, SEGMENTS, COLOURS[:300], 3, threads=threads, out=out)
        assert np.array_equal(out, korvel.paint_strokes(alone[0], VIEW, SEGMENTS, COLOURS[:300], 3))


@pytest.mark.parametrize("order, error, reason", [
    (np.array([0.0]), TypeError, "badClass"),
    (np.array([[0]]), ValueError, "badSize"),
    (np.array([2], np.uint64), ValueError, "badIndex"),
    (np.array([-1]), ValueError, "badIndex"),
])
def test_order_refusals(order, error, reason):
    with pytest.raises(error) as refusal:
        korvel.paint_triangles(np.zeros((2, 2, 3)), VIEW, UV, TRIANGLES[:2], [1, 1, 1], order)
    assert refusal.value.reason == reason


def test_no_order_paints_every_face_in_turn():
    picture = np.zeros((HEIGHT, WIDTH, 3), np.uint8)
    every = korvel.paint_triangles(picture, VIEW, UV, TRIANGLES, COLOURS, None, winners=True)
    listed = korvel.paint_triangles(picture, VIEW, UV, TRIANGLES, COLOURS, np.arange(FACES), winners=True)
    assert all(np.array_equal(a, b) for a, b in zip(every, listed))


@pytest.mark.parametrize("make_out, error, reason", [
    (lambda P, C: np.zeros((2, 2, 3), np.float32), TypeError, "badClass"),
    (lambda P, C: np.zeros((2, 3, 3)), ValueError, "badSize"),
    (lambda P, C: np.zeros((2, 2, 3)).transpose(1, 0, 2), TypeError, "badClass"),
    (lambda P, C: C.reshape(2, 2, 3), ValueError, "sharedData"),     # out is the colours
    (lambda P, C: P[::-1], TypeError, "badClass"),
])
def test_out_refusals(make_out, error, reason):
    P, C = np.zeros((2, 2, 3)), np.full((4, 3), 0.5)
    for paint in (lambda out: korvel.paint_triangles(P, VIEW, UV, TRIANGLES[:4], C, [0], out=out),
                  lambda out: korvel.paint_strokes(P, VIEW, SEGMENTS[:4], C, 1, out=out)):
        with pytest.raises(error) as refusal:
            paint(make_out(P, C))
        assert refusal.value.reason == reason
    assert not P.any()


def _decoded_png(data):
    """The samples of a PNG that encode_png wrote, read with the standard
    library's zlib: (H, W, C) big-endian words or bytes, the Sub filter undone."""
    import struct
    import zlib
    chunks, at = [], 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        assert struct.unpack(">I", data[at + 8 + length:at + 12 + length])[0] == zlib.crc32(kind + body)
        chunks.append((kind, body))
        at += 12 + length
    width, height, depth, colour = struct.unpack(">IIBB", chunks[0][1][:10])
    channels = 3 if colour == 2 else 1
    rows = np.frombuffer(zlib.decompress(b"".join(b for k, b in chunks if k == b"IDAT")), np.uint8)
    rows = rows.reshape(height, -1)
    assert (rows[:, 0] == 1).all()                      # Sub
    step = channels * depth // 8
    samples = rows[:, 1:].reshape(height, width, step)
    samples = np.cumsum(samples, axis=1, dtype=np.uint8)  # byte-wise sums, mod 256
    return samples.copy().view(">u2" if depth == 16 else np.uint8).reshape(height, width, channels)


@pytest.mark.parametrize("picture, expected", [
    (RANDOM.uniform(-0.1, 1.1, (HEIGHT, WIDTH, 3)).round(1),      # ties k + 0.5 round up
     lambda P: (np.clip(P, 0, 1) * 65535 + 0.5).astype(np.uint16)),
    (RANDOM.integers(0, 4, (900, 301), dtype=np.uint8), lambda P: P),
    (RANDOM.integers(0, 65536, (333, 520, 3), dtype=np.uint16)[:, ::-1], lambda P: P),
])
def test_encode_png_decodes_to_the_pixels_at_every_thread_count(picture, expected):
    files = [korvel.encode_png(picture, threads=threads) for threads in (1, 2, 3)]
    assert files[0] == files[1] == files[2]
    assert np.array_equal(_decoded_png(files[0]), expected(picture).reshape(*picture.shape[:2], -1))
    assert files[0] == korvel.encode_png(np.asfortranarray(picture))
