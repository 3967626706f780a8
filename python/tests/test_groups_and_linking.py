# Two groups and the ways of linking, against the program: report, CSV files, common items,
# warnings and the library's refusals of option values
import re
import subprocess

import numpy as np
import pandas as pd
import pytest

import zol
from conftest import CONSOLE_TEXTS, EXAMPLES, in_the_packages_words, program_options

# The old group's ability distribution, appended to a copy of the common-items example: a
# distribution of its own (weights summing to 1.02, which the reader warns of once), or
# points alone (equal weights).
OLD_GROUPS = {
    "weighted": "-2 0.1\n-1 0.25\n0 0.35\n1 0.25\n2 0.07\n",
    "points": "-2\n-1\n0\n1\n2.5\n",
}

OPTION_SETS = [
    pytest.param("weighted", ["--link", "stocking-lord"], id="two groups"),
    pytest.param("weighted", ["--link", "haebara", "--synthetic-weight", "0.3"],
                 id="two groups, weight 0.3"),
    pytest.param("points", ["--synthetic-weight", "1"], id="two groups, weight 1, no linking"),
    pytest.param(None, ["--link", "haebara", "--link-quadrature", "30"], id="link quadrature"),
    pytest.param(None, ["--link", "stocking-lord", "--symmetric"], id="symmetric"),
    pytest.param("points", ["--link", "haebara", "--symmetric", "--link-quadrature", "12",
                            "--synthetic-weight", "0"], id="symmetric two groups"),
    pytest.param(None, ["--link", "mean-gmean"], id="mean-gmean"),
    pytest.param(None, ["--link", "mean-sigma", "--exclude-common", "C03,C09"],
                 id="two excluded"),
    pytest.param("weighted", ["--link", "stocking-lord", "--symmetric", "--exclude-common",
                              "C05"], id="one excluded, symmetric, two groups"),
]


def common_items_file(folder, old_group):
    """A copy of the common-items example, with the old group's distribution if named."""
    path = folder / f"common_items_{old_group or 'one_group'}.txt"
    text = (EXAMPLES / "common_items.txt").read_text()
    path.write_text(text + (f"$Link_Theta_Distribution\n{OLD_GROUPS[old_group]}"
                            if old_group else ""))
    return path


@pytest.mark.parametrize("old_group, words", OPTION_SETS)
def test_option_sets_equal_the_programs(old_group, words, program, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    name = common_items_file(tmp_path, old_group).name
    linked = ["--common-items", "common.csv", "--linked-items", "items.txt"]
    run = subprocess.run([program, "--explain", *words, "--csv", "out.csv",
                          *(linked if "--link" in words else []), name],
                         check=True, capture_output=True, text=True)
    _, equating, _ = program_options(words)
    read = zol.read_input(name)
    result = zol.equate(read, **equating)
    assert result.report == run.stdout
    assert result.warnings == [in_the_packages_words(line) for line in run.stderr.splitlines()]
    assert result.to_csv().encode() == (tmp_path / "out.csv").read_bytes()

    # The synthetic weight is the report's; without a second group there is none.
    shown = re.search(r"Synthetic population: weight (\S+) on the new group", run.stdout)
    assert (result.synthetic_weight is None) == (old_group is None) == (shown is None)
    if shown:
        assert f"{result.synthetic_weight:.4f}" == shown.group(1)

    if "--link" in words:
        assert result.common_items().encode() == (tmp_path / "common.csv").read_bytes()
        assert result.linked_items().encode() == (tmp_path / "items.txt").read_bytes()
        program_items = pd.read_csv(tmp_path / "common.csv", float_precision="round_trip")
        program_items = program_items.astype({"used": bool, "flagged": bool,
                                              "b_robust_z": float, "log_a_ratio": float,
                                              "a_robust_z": float})
        frame = result.common_items_frame()
        pd.testing.assert_frame_equal(frame.astype({"label": str, "model": str}),
                                      program_items, check_exact=True)
        assert (result.linking.common_items, result.linking.excluded) == \
            (frame["used"].sum(), (~frame["used"]).sum())
        assert result.linking.symmetric == ("--symmetric" in words)
        excluded = f" ({result.linking.excluded} excluded)" if result.linking.excluded else ""
        assert f"on {result.linking.common_items} common items{excluded}\n" in run.stdout
    else:
        assert result.linking is None and result.common_items_frame() is None

    # The same records made in memory, each group's distribution a frame of points and
    # weights (no weights when they are equal), equate to the same report.
    def group(points, weights):
        frame = pd.DataFrame({"point": points})
        if np.any(weights != weights[0]):
            frame["weight"] = weights
        return frame

    old_theta = None if read.old_theta is None else group(read.old_theta, read.old_weights)
    rebuilt = zol.Input(read.new.to_frame(), read.old.to_frame(),
                        group(read.theta, read.weights), name=read.name, old_theta=old_theta)
    assert zol.equate(rebuilt, **equating).report == run.stdout


# Option values the library refuses, in its words, and those the package cannot hand it.
TWO = "weighted"
REFUSED = [
    (None, dict(synthetic_weight=0.5), "a synthetic weight needs two groups: the new group's "
                                       "ability distribution (theta) and the old group's "
                                       "(old_theta)"),
    (TWO, dict(synthetic_weight=1.5), "the synthetic weight 1.5 is not a number from 0 to 1"),
    (TWO, dict(synthetic_weight=np.nan), "the synthetic weight nan is not a number from 0 to 1"),
    (None, dict(link="haebara", link_quadrature=201),
     "the linking criterion's quadrature of 201 points is not one of 2 to 200"),
    (None, dict(link="mean-mean", symmetric=True),
     "a symmetric criterion needs a characteristic-curve linking (haebara or stocking-lord)"),
    (None, dict(exclude_common="C01"), "common items to leave out need a linking"),
    (None, dict(scaling_constant=0), "the scaling constant 0 is not a finite number above 0"),
    (None, dict(round_scale=-1),
     "the unit of rounding on the scale -1 is not a finite number above 0"),
    (TWO, dict(synthetic_weight="half"), "synthetic_weight must be a number, not 'half'"),
    (None, dict(link="haebara", link_quadrature=7.5),
     "link_quadrature must be a whole number of points from 2 to 200, not 7.5"),
]


@pytest.mark.parametrize("old_group, options, explanation", REFUSED)
def test_option_values_refused_in_the_librarys_words(old_group, options, explanation,
                                                      tmp_path):
    read = zol.read_input(common_items_file(tmp_path, old_group))
    with pytest.raises(zol.InputError) as raised:
        zol.equate(read, **options)
    error = raised.value
    assert (error.kind, error.explanation, str(error)) == ("invalid_input", explanation,
                                                           explanation)
    assert not any(console in explanation for console in CONSOLE_TEXTS)
