"""Every docstring example runs, and help(korvel) lists the functions."""
import doctest
import pydoc

import korvel

FUNCTIONS = ["offset", "spin", "to_viewer", "ranges", "torus_screen", "cone_screen", "face_shown",
             "depth_order", "paint_triangles", "paint_strokes", "encode_png",
             "stroke_text", "plateau_labels", "value_swap"]


def test_docstring_examples_run():
    failed, attempted = doctest.testmod(korvel)
    assert failed == 0 and attempted >= 2 * len(FUNCTIONS)


def test_help_lists_every_function():
    text = pydoc.render_doc(korvel, renderer=pydoc.plaintext)
    for name in FUNCTIONS:
        assert "\n    %s(" % name in text


def test_signatures_show_the_fixed_screens():
    import inspect
    for function, screen in [(korvel.torus_screen, korvel.FIXED_TORUS_SCREEN),
                             (korvel.cone_screen, korvel.FIXED_CONE_SCREEN)]:
        parameters = inspect.signature(function).parameters
        assert {name: parameters[name].default for name in screen} == screen
