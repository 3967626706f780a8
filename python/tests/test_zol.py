# The package against the program's own reports, files, warnings and causes
import concurrent.futures
import subprocess

import numpy as np
import pandas as pd
import pytest

import zol
from conftest import CASES, CONSOLE_TEXTS, EXAMPLES, example_options, in_the_packages_words, \
    program_options, read_as_the_program

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


def program_csv(path):
    """The program's CSV as a frame: empty number cells NaN, empty texts "", every number
    the same double."""
    csv = pd.read_csv(path, float_precision="round_trip", converters={"link_method": str})
    return csv.astype({name: float for name in csv.columns
                       if name not in ("raw", "link_method")})


@pytest.mark.parametrize("folder, input_file, options, report", reports_of_the_program())
def test_outputs_equal_the_programs(folder, input_file, options, report, program, tmp_path,
                                    monkeypatch):
    monkeypatch.chdir(folder)
    words, reading, equating = options
    link = equating.get("link")
    result = zol.equate(read_as_the_program(input_file, reading), **equating)
    assert result.report.encode() == report.read_bytes()

    options = [*words, "--linked-items", tmp_path / "items.txt"] if link else words
    run = subprocess.run([program, "--explain", *options, "--csv", tmp_path / "out.csv",
                          "--plot", tmp_path / "out.svg", input_file, tmp_path / "out.report"],
                         check=True, capture_output=True, text=True)
    assert result.warnings == [in_the_packages_words(line) for line in run.stderr.splitlines()]
    assert result.to_csv().encode() == (tmp_path / "out.csv").read_bytes()
    assert result.to_svg().encode() == (tmp_path / "out.svg").read_bytes()
    # The table of scores is the CSV's, column for column, the linking's included.
    pd.testing.assert_frame_equal(result.to_pandas(), program_csv(tmp_path / "out.csv"),
                                  check_exact=True)
    if link:
        assert result.linking.method == link and result.link_method[0] == link
        assert result.linked_items().encode() == (tmp_path / "items.txt").read_bytes()
        # The program's linked items replace the new form: read back, they are the frame.
        with_linked = tmp_path / "linked.txt"
        with_linked.write_bytes((folder / input_file).read_bytes() +
                                (tmp_path / "items.txt").read_bytes())
        read_back = zol.read_input(with_linked, mixed_format=True).new.to_frame()
        pd.testing.assert_frame_equal(result.linked_items_frame(), read_back, check_exact=True)
    else:
        rounded = subprocess.run([program, "--round-scale=0.5", input_file], check=True,
                                 capture_output=True).stdout
        assert zol.equate(zol.read_input(input_file), round_scale=0.5).report.encode() == rounded
        assert result.linking is None and result.linked_items_frame() is None
        assert "link_method" not in result.to_pandas()


@pytest.mark.parametrize("folder, input_file, options, report", reports_of_the_program())
def test_frames_round_trip(folder, input_file, options, report, monkeypatch):
    monkeypatch.chdir(folder)
    _, reading, equating = options
    read = zol.read_input(input_file, **reading)
    # Labels as the index and g for c, as some calibration programs give them; the ability
    # distribution as a frame, without weights when they are equal, as a one-column
    # quadrature is read.
    new = read.new.to_frame().set_index("label")
    old = read.old.to_frame().rename(columns={"c": "g"})
    theta = None
    if read.theta is not None:
        theta = pd.DataFrame({"point": read.theta})
        if np.any(read.weights != read.weights[0]):
            theta["weight"] = read.weights
    conversion = None if read.conversion is None else read.conversion.to_frame()
    rebuilt = zol.Input(new, old, theta, None, conversion, read.name)
    assert zol.equate(rebuilt, **equating).report.encode() == report.read_bytes()


# Cases whose cause or warning is the program's own: its files and its arguments.
PROGRAMS_OWN = {"cli/three_arguments", "cli/four_arguments", "cli/output_in_a_missing_directory",
                "cli/report_named_like_the_input", "outputs/csv_that_cannot_be_opened"}


def explained_cases():
    for case in sorted(CASES.glob("*/*")):
        name = f"{case.parent.name}/{case.name}"
        words = (case / "cmd").read_text().splitlines() if (case / "cmd").exists() \
            else ["input.txt"]
        explained = (case / "explain").exists() or "--explain" in words
        status = int((case / "status").read_text()) if (case / "status").exists() else 0
        if (explained and words and status in (0, 1) and not (case / "bulk").exists()
                and name not in PROGRAMS_OWN and "--version" not in words):
            yield pytest.param(case, words, status, id=name)


KINDS = {"cli/missing_input_file": "cannot_open_input",
         "reader/difficulty_infinite": "invalid_input",
         "equating/chance_score_not_finite": "not_computable",
         "equating/root_not_bracketed_all_discriminations_zero": "root_not_bracketed",
         "equating/root_search_not_converging": "root_not_converged"}


@pytest.mark.parametrize("case, words, status", explained_cases())
def test_cases_say_what_the_program_explains(case, words, status, tmp_path, monkeypatch):
    """Warnings of a run and causes of a failure: the program's --explain lines, in the
    package's words and no console program's."""
    reading, equating, names = program_options(words)
    explain = (case / ("explain" if (case / "explain").exists() else "stderr")).read_text()
    monkeypatch.chdir(case / "in" if (case / "in").exists() else tmp_path)
    if status == 0:
        result = zol.equate(read_as_the_program(names[0], reading), **equating)
        texts = result.warnings
        assert texts == [in_the_packages_words(line) for line in explain.splitlines()]
        if names == ["input.txt"] and (case / "stdout").exists():
            assert result.report == (case / "stdout").read_text()
    else:
        with pytest.raises(zol.Error) as raised:
            zol.equate(read_as_the_program(names[0], reading), **equating)
        error = raised.value
        texts = [str(error)]
        # The root search's stop comes with the program's own lines first.
        assert str(error) == error.explanation == \
            in_the_packages_words(explain.splitlines()[-1])
        input_kinds = ("cannot_open_input", "invalid_input")
        assert isinstance(error, zol.InputError if error.kind in input_kinds else
                          zol.EquatingError)
        assert error.kind == KINDS.get(f"{case.parent.name}/{case.name}", error.kind)
    assert not [text for text in texts if any(console in text for console in CONSOLE_TEXTS)]


def test_records_made_in_memory_are_warned_of_once():
    # A file's forms in an input made in memory: the reader's warnings are not carried
    # along, so the equating warns of the same values in its own words, within the cap.
    read = zol.read_input(CASES / "options/warnings_of_a_successful_run/in/input.txt")
    assert len(read.warnings) == 11
    rebuilt = zol.equate(zol.Input(read.new, read.old, read.theta, read.weights)).warnings
    assert len(rebuilt) == 11 and rebuilt[-1] == "warning: 5 more like these"
    assert rebuilt[0] == "warning: item N01 of the new form: a 0 is not above 0"


def long_labels_file(tmp_path):
    """The common-items example with 25-character labels, as the mixed format reads them."""
    text = (EXAMPLES / "common_items.txt").read_text()
    for prefix in ("N", "C", "O"):
        text = text.replace(f"\n{prefix}0", f"\nITEM-2026-{prefix}-0000000000-0")
    path = tmp_path / "long_labels.txt"
    path.write_text(text)
    return path


def test_long_labels_link(program, tmp_path):
    path = long_labels_file(tmp_path)
    read = zol.read_input(path, mixed_format=True)
    assert len(read.new.labels[0]) == 25
    expected = subprocess.run([program, "--mixed-format", "--link", "haebara", "--linked-items",
                               tmp_path / "items.txt", path], check=True,
                              capture_output=True).stdout
    # Labels in a column of one form and the index of the other.
    new = read.new.to_frame()
    old = read.old.to_frame().set_index("label")
    result = zol.equate(zol.Input(new, old, read.theta, read.weights, name=read.name),
                        link="haebara")
    assert result.report.encode() == expected and result.linking.common_items == 12
    assert result.linked_items().encode() == (tmp_path / "items.txt").read_bytes()
    assert list(result.linked_items_frame()["label"]) == list(read.new.labels)


def frame(**columns):
    base = {"label": ["N1", "N2", "N3"], "a": [1.0, 0.9, 1.2], "b": [-0.5, 0.0, 0.5],
            "c": [0.2, 0.2, 0.2]}
    base.update(columns)
    return pd.DataFrame({name: values for name, values in base.items() if values is not None})


MIXED = dict(model=["3PL", "GPCM", "GRM"], b1=[np.nan, -1.0, -1.0], b2=[np.nan, 1.0, 1.0])


@pytest.mark.parametrize("make, explanation", [
    (lambda: zol.Input(frame(a=None), frame()), "the new form has no column a"),
    (lambda: zol.Input(frame(), frame(c=None)), "the old form has no column c"),
    (lambda: zol.Input(frame(label=None), frame()),
     "the new form has no column label, and its index holds no labels"),
    (lambda: zol.Input(frame(**{**MIXED, "b1": [np.nan, np.nan, -1.0],
                                "b2": [np.nan, np.nan, 1.0]}), frame()),
     "item N2 of the new form is GPCM but has no steps b1, b2, ..."),
    (lambda: zol.Input(frame(**{**MIXED, "b1": [np.nan, -1.0, np.nan]}), frame()),
     "item N3 of the new form has b2 but no b1"),
    (lambda: zol.Input(frame(model=["3PL", "Rasch", "3PL"]), frame()),
     "item N2 of the new form has the model 'Rasch', not one of 3PL, GPCM and GRM"),
    (lambda: zol.Input(frame(a=pd.array([1.0, pd.NA, 1.2], dtype="Float64")), frame()),
     "the new form has no value for a in row 1 (item N2)"),
    (lambda: zol.Input(frame(), frame(c=None, g=pd.array([0, 0, pd.NA], dtype="Int64"))),
     "the old form has no value for c (column g) in row 2 (item N3)"),
    (lambda: zol.Input(frame(a=[1, "one", 2]), frame()),
     "the new form: a 'one' in row 1 (item N2) is not a number"),
    (lambda: zol.Form(["N1", "N2"], [1.0], [0.0, 0.1], [0.2, 0.2]),
     "the form needs one label, a, b and c per item: 2 labels, 1 a, 2 b and 2 c"),
    (lambda: zol.Input(frame(), frame(), pd.DataFrame({"theta": [0.0]})),
     "the ability distribution has no column point"),
    (lambda: zol.Input(frame(), frame(), pd.DataFrame(
        {"point": [0.0, 1.0], "weight": pd.array([0.5, pd.NA], dtype="Float64")})),
     "the ability distribution has no value for weight in row 1"),
    (lambda: zol.Input(frame(), frame(), conversion=pd.DataFrame({"raw": [0, 1, 3],
                                                                  "scale": [0, 1, 2]})),
     "the conversion table's raw scores must lie on a regular grid"),
    (lambda: zol.equate(zol.Input(frame(a=[1.0, np.nan, 1.0]), frame())),
     "item 2 of the new form: a nan is not a finite number"),
    (lambda: zol.equate(zol.Input(frame(), frame(), [0.0, 1.0], [1.0])),
     "the quadrature has 2 points but 1 weights"),
    (lambda: zol.equate(zol.Input(frame(), frame()), link="stocking"),
     "unknown link method 'stocking': mean-mean, mean-sigma, mean-gmean, haebara or "
     "stocking-lord"),
])
def test_unusable_records_and_options(make, explanation):
    with pytest.raises(zol.InputError) as raised:
        make()
    assert (raised.value.kind, raised.value.explanation, str(raised.value)) == \
        ("invalid_input", explanation, explanation)


def test_threads_equal_a_loop():
    inputs = [(zol.read_input(EXAMPLES / f"{name}.txt", **example_options(name)[1]),
               example_options(name)[2]) for name in EXAMPLE_NAMES] * 4

    def run(job):
        result = zol.equate(job[0], **job[1])
        return result.report, result.to_csv(), result.warnings, result.observed_equated

    expected = [run(job) for job in inputs]
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        for got, want in zip(pool.map(run, inputs), expected):
            assert got[:3] == want[:3]
            np.testing.assert_array_equal(got[3], want[3])


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
