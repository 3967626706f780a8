# The package against the program's own reports, files and messages
import concurrent.futures
import subprocess

import numpy as np
import pandas as pd
import pytest

import zol
from conftest import CASES, EXAMPLES, example_options

EXAMPLE_NAMES = sorted(path.stem for path in EXAMPLES.glob("*.report"))


def reports_of_the_program():
    """(folder, input file, options, report): the examples, then the whole reports of the
    cases."""
    runs = [pytest.param(EXAMPLES, f"{name}.txt", example_options(name),
                         EXAMPLES / f"{name}.report", id=name) for name in EXAMPLE_NAMES]
    for case in sorted((CASES / "golden").iterdir()):
        if (case / "stdout").exists():
            runs.append(pytest.param(case / "in", (case / "cmd").read_text().strip(),
                                     ([], {}, {}), case / "stdout", id=f"golden/{case.name}"))
    return runs


@pytest.mark.parametrize("folder, input_file, options, report", reports_of_the_program())
def test_outputs_equal_the_programs(folder, input_file, options, report, program, tmp_path,
                                    monkeypatch):
    monkeypatch.chdir(folder)
    words, reading, equating = options
    link = equating.get("link")
    result = zol.equate(zol.read_input(input_file, **reading), **equating)
    assert result.report.encode() == report.read_bytes()

    options = [*words, "--linked-items", tmp_path / "items.txt"] if link else words
    subprocess.run([program, *options, "--csv", tmp_path / "out.csv", "--plot",
                    tmp_path / "out.svg", input_file, tmp_path / "out.report"], check=True)
    assert result.to_csv().encode() == (tmp_path / "out.csv").read_bytes()
    assert result.to_svg().encode() == (tmp_path / "out.svg").read_bytes()
    # Empty cells are NaN, numbers are the same doubles; a linked run's CSV
    # leads with the linking's columns, which Result.linking holds.
    csv = pd.read_csv(tmp_path / "out.csv", dtype=float, float_precision="round_trip",
                      converters={"link_method": str})
    csv = csv.drop(columns=["link_method", "link_A", "link_B"], errors="ignore")
    pd.testing.assert_frame_equal(result.to_pandas(), csv.astype({"raw": np.int64}),
                                  check_exact=True)
    if link:
        lines = result.report.splitlines()
        at = next(i for i, line in enumerate(lines) if line.startswith("Scale linking"))
        assert f"method on {result.linking.common_items} common items" in lines[at]
        assert lines[at + 1] == f"A = {result.linking.A:.6f}  B = {result.linking.B:.6f}"
        assert result.linking.method == link
        assert result.linked_items().encode() == (tmp_path / "items.txt").read_bytes()
    else:
        rounded = subprocess.run([program, "--round-scale=0.5", input_file], check=True,
                                 capture_output=True).stdout
        assert zol.equate(zol.read_input(input_file), round_scale=0.5).report.encode() == rounded
        assert result.linking is None


@pytest.mark.parametrize("folder, input_file, options, report", reports_of_the_program())
def test_frames_round_trip(folder, input_file, options, report, monkeypatch):
    monkeypatch.chdir(folder)
    _, reading, equating = options
    read = zol.read_input(input_file, **reading)
    # g for c, as some calibration programs call it.
    old = read.old.to_frame().rename(columns={"c": "g"})
    conversion = None if read.conversion is None else read.conversion.to_frame()
    # Equal weights, as a one-column quadrature is read, are also what None gives.
    weights = read.weights
    if weights is not None and np.all(weights == weights[0]):
        weights = None
    rebuilt = zol.Input(read.new.to_frame(), old, read.theta, weights, conversion, read.name)
    assert zol.equate(rebuilt, **equating).report.encode() == report.read_bytes()


def case_files(case):
    """A failing case's input folder, its program message and its --explain cause."""
    folder = CASES / case
    message = folder / ("stderr" if (folder / "stderr").exists() else "stdout")
    explain = (folder / "explain").read_text().splitlines()[-1]
    return folder / "in", message.read_text(), explain.removeprefix("zol: ")


@pytest.mark.parametrize("case, error, kind", [
    ("cli/missing_input_file", zol.InputError, "cannot_open_input"),
    ("reader/difficulty_infinite", zol.InputError, "read_error"),
    ("equating/chance_score_not_finite", zol.EquatingError, "equating_error"),
    ("equating/root_not_bracketed_all_discriminations_zero", zol.EquatingError, "numeric_stop"),
])
def test_failures_are_the_programs(case, error, kind, tmp_path, monkeypatch):
    folder, message, explanation = case_files(case)
    monkeypatch.chdir(folder if folder.exists() else tmp_path)
    with pytest.raises(error) as raised:
        zol.equate(zol.read_input("input.txt"))
    assert isinstance(raised.value, zol.Error) and isinstance(raised.value, ValueError)
    assert (raised.value.kind, raised.value.message) == (kind, message)
    assert raised.value.explanation == explanation
    # The root search's stop carries its lines before the cause.
    assert str(raised.value) == (message if kind == "numeric_stop" else "") + explanation


def test_unusable_arguments():
    read = zol.read_input(EXAMPLES / "forms40.txt")
    nan_a = zol.Form(read.new.labels, np.full(len(read.new), np.nan), read.new.b, read.new.c)
    with pytest.raises(zol.InputError, match="not a finite number") as raised:
        zol.equate(zol.Input(nan_a, read.old))
    assert raised.value.kind == "read_error"
    with pytest.raises(zol.InputError, match="points but"):
        zol.equate(zol.Input(read.new, read.old, read.theta, read.weights[1:]))
    with pytest.raises(ValueError, match="scaling_constant must be"):
        zol.equate(read, scaling_constant=0.0)
    with pytest.raises(ValueError, match="unknown link method 'stocking'"):
        zol.equate(read, link="stocking")
    with pytest.raises(ValueError, match="regular grid"):
        irregular = pd.DataFrame({"raw": [0, 1, 3], "scale": [0, 1, 2]})
        zol.Input(read.new, read.old, conversion=irregular)
    with pytest.raises(ValueError, match="one label, a, b and c per item"):
        zol.Form(["N1", "N2"], [1.0], [0.0], [0.2])


def test_threads_equal_a_loop():
    inputs = [(zol.read_input(EXAMPLES / f"{name}.txt", **example_options(name)[1]),
               example_options(name)[2]) for name in EXAMPLE_NAMES] * 4

    def run(job):
        result = zol.equate(job[0], **job[1])
        return result.report, result.to_csv(), result.observed_equated

    expected = [run(job) for job in inputs]
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        for got, want in zip(pool.map(run, inputs), expected):
            assert got[:2] == want[:2]
            np.testing.assert_array_equal(got[2], want[2])


def test_bytes_of_labels_and_names(program, tmp_path, monkeypatch):
    # Labels in Latin-1 and a file name in UTF-8: common items still match after a
    # round trip through frames, and the report names the file as the program does.
    text = (EXAMPLES / "common_items.txt").read_bytes().replace(b"C0", b"\xe90")
    (tmp_path / "formé.txt").write_bytes(text)
    monkeypatch.chdir(tmp_path)
    read = zol.read_input("formé.txt")
    assert read.new.labels[1].encode("utf-8", "surrogateescape") == b"\xe901"
    rebuilt = zol.Input(read.new.to_frame(), read.old.to_frame(), read.theta, read.weights,
                        read.conversion, read.name)
    program_report = subprocess.run([program, "--link", "haebara", "formé.txt"], check=True,
                                    capture_output=True).stdout
    for given in (read, rebuilt):
        result = zol.equate(given, link="haebara")
        assert result.report.encode() == program_report
        assert result.linking.common_items == 12
