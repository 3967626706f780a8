# Standard errors from the forms' covariances: the ways of giving a covariance, the program's
# --covariance, published values, and refusals
import shutil
import subprocess

import numpy as np
import pandas as pd
import pytest

import zol
from conftest import CHECKOUT, EXAMPLES, example_options, in_the_packages_words, program_options

PUBLISHED = CHECKOUT.parent / "shared" / "data" / "equateirt"


def example(name):
    """The example's input, every parameter's name in each form, and its equate options."""
    read = zol.read_input(EXAMPLES / f"{name}.txt", **example_options(name)[1])
    names = [[f"{label}:{p}" for label, model, steps in zip(form.labels, form.model, form.steps)
              for p in (["a", "b", "c"] if model == "3PL" else
                        ["a"] + [f"b{v + 1}" for v in range(len(steps))])]
             for form in (read.new, read.old)]
    return read, names, example_options(name)[2] or {"link": "haebara"}


def equated(read, options, new_covariance, old_covariance):
    return zol.equate(zol.Input(read.new, read.old, read.theta, read.weights, read.conversion,
                                read.name, new_covariance=new_covariance,
                                old_covariance=old_covariance), **options)


def some_covariances(names):
    """Positive definite and correlated, standard errors about 0.05 to 0.1, one per form."""
    loadings = [np.random.default_rng(seed).normal(scale=0.015, size=(len(n), len(n)))
                for seed, n in enumerate(names)]
    return [x @ x.T + np.diag(np.full(len(x), 0.05 ** 2)) for x in loadings]


def errors_of(result):
    link = [] if result.linking is None else [result.linking.se_A, result.linking.se_B]
    return np.array(link), np.array([result.true_score_se, result.observed_score_se,
                                     result.true_scale_se, result.observed_scale_se])


def standard_error_frame(names, matrix):
    """A row per item, a column se_a, se_b, ... per parameter, NaN where an item has none."""
    rows = {}
    for name, variance in zip(names, np.diag(matrix)):
        label, parameter = name.split(":")
        rows.setdefault(label, {})[f"se_{parameter}"] = np.sqrt(variance)
    return pd.DataFrame.from_dict(rows, orient="index")


# Each way of giving a covariance, and the zol.Covariance it stands for.
WAYS = {
    "matrix frame": (lambda names, m: pd.DataFrame(m, index=names, columns=names),
                     lambda names, m: zol.Covariance(names, m)),
    "standard errors frame": (standard_error_frame, lambda names, m: zol.Covariance(
        names, np.diag(np.sqrt(np.diag(m)) ** 2), standard_errors_only=True)),
}


@pytest.mark.parametrize("way", WAYS)
@pytest.mark.parametrize("name, options", [("common_items", {"link": "stocking-lord"}),
                                           ("common_items", {}), ("mixed_format", None)])
def test_a_frame_is_the_covariance_it_stands_for(name, options, way):
    read, names, example_link = example(name)
    options = example_link if options is None else options
    matrices = some_covariances(names)
    give, same_as = WAYS[way]
    given = equated(read, options, *(give(n, m) for n, m in zip(names, matrices)))
    link, scores = errors_of(given)
    # Not vacuous: the linking's and every raw score's but the fixed top score's are there.
    assert np.all(link > 0) and np.all(scores[:, 1:given.new_top_score] > 0)
    alike = equated(read, options, *(same_as(n, m) for n, m in zip(names, matrices)))
    assert alike.report == given.report and alike.to_csv() == given.to_csv()


@pytest.mark.parametrize("name, text, words", [
    pytest.param("common_items", "$Item_Covariance\nC01:a C01:b C02:a C02:b N01:b\n0.004\n"
                 "0.001 0.006\n0 0.0005 0.003\n0 0 0.0008 0.005\n0.0002 0 0 0 0.002\n\n"
                 "$Link_Item_Standard_Errors\nC01 0.05 0.07 0\nO01 0.05 0.05 0.01\n",
                 ["--link", "haebara"], id="matrix and standard errors"),
    pytest.param("common_items", "$Link_Item_Covariance\nC03:a C03:b C04:b\n0.003 0.0004 0\n"
                 "0.0004 0.005 0.001\n0 0.001 0.004\n", ["--link", "stocking-lord",
                                                       "--symmetric"], id="whole old matrix"),
    pytest.param("mixed_format", "$Item_Standard_Errors\nC08 0.05 0.08 0.07 0.07 0.09\n",
                 None, id="steps"),
])
def test_covariance_files_equal_the_programs(name, text, words, program, tmp_path,
                                             monkeypatch):
    monkeypatch.chdir(tmp_path)
    shutil.copy(EXAMPLES / f"{name}.txt", "input.txt")
    (tmp_path / "cov.txt").write_text(text)
    words = example_options(name)[0] if words is None else words
    # The covariance files the program refuses are among the cases that test_zol runs.
    run = subprocess.run([program, "--explain", *words, "--covariance", "cov.txt", "--csv",
                          "out.csv", "input.txt"], check=True, capture_output=True, text=True)
    reading, equating, _ = program_options(words)
    read = zol.read_covariance("cov.txt", zol.read_input("input.txt", **reading))
    result = zol.equate(read, **equating)
    assert result.report == run.stdout and "Standard Errors" in run.stdout
    assert result.to_csv().encode() == (tmp_path / "out.csv").read_bytes()
    assert result.warnings == [in_the_packages_words(line) for line in run.stderr.splitlines()]
    # The covariances read, given in memory as frames, are the same.
    frames = [None if c is None else c.to_frame()
              for c in (read.new_covariance, read.old_covariance)]
    assert equated(read, equating, *frames).report == run.stdout


# Columns of the slope (a1), the intercept (d) and the logit of c, and the order of the places
# in the covariance, each over all items.
SLOPE_INTERCEPT = {"est2pl": ("z1", "(Intercept)", None, "ba"),
                   "est3pl": ("beta.2i", "beta.1i", "c.i", "cba")}


def published_form(data, number):
    """Form NUMBER of equateIRT's est2pl or est3pl (slope-intercept at D = 1) carried to a, b
    and c with the covariance by from_slope_intercept."""
    coefficients = pd.read_csv(PUBLISHED / f"{data}_coef_{number}.csv", index_col=0)
    covariance = pd.read_csv(PUBLISHED / f"{data}_var_{number}.csv", index_col=0).to_numpy()
    labels = list(coefficients.index)
    slope, intercept, logit, order = SLOPE_INTERCEPT[data]
    given = pd.DataFrame({"a": coefficients[slope], "b": coefficients[intercept],
                          "c": coefficients[logit] if logit else 0.0}, index=labels)
    names = [f"{label}:{place}" for place in order for label in labels]
    return zol.from_slope_intercept(given, zol.Covariance(names, covariance), 1,
                                    logit_guessing=logit is not None)


HAEBARA = {"link": "haebara", "link_quadrature": 30}


# The C++ tests hold these numbers too; here from_slope_intercept and the covariances it gives
# reach the library whole.
@pytest.mark.skipif(not PUBLISHED.is_dir(), reason="no equateIRT data beside the checkout")
@pytest.mark.parametrize("data, options, published", [
    ("est2pl", HAEBARA, (0.97152, 0.021344, -0.47511, 0.023886)),
    ("est2pl", {"link": "mean-mean"}, (0.96497, 0.021313, -0.47418, 0.024224)),
    ("est3pl", HAEBARA, (1.00935, 0.029052, -0.51886, 0.027863)),
])
def test_published_linking_and_standard_errors(data, options, published):
    # Form 1 carried onto form 5's scale through their 10 common items.
    (new, new_covariance), (old, old_covariance) = (published_form(data, number)
                                                    for number in (1, 5))
    linking = zol.equate(zol.Input(new, old, new_covariance=new_covariance,
                                   old_covariance=old_covariance),
                         scaling_constant=1, **options).linking
    # To the published digits: half a unit of the last either way.
    got = (linking.A, linking.se_A, linking.B, linking.se_B)
    assert got == pytest.approx(published, abs=5e-6) and linking.common_items == 10
    assert got[1::2] == pytest.approx(published[1::2], abs=5e-7)


def equate_with(**covariances):
    new = pd.DataFrame({"a": [1.0, 0.9], "b": [-0.5, 0.5], "c": [0.2, 0.2]}, index=["C1", "N2"])
    old = pd.DataFrame({"a": [1.1, 0.8], "b": [-0.4, 0.6], "c": [0.2, 0.2]}, index=["C1", "O2"])
    return zol.equate(zol.Input(new, old, **covariances), link="mean-mean")


NAMES = ["C1:a", "C1:b"]


@pytest.mark.parametrize("make, explanation", [
    (lambda: equate_with(new_covariance=pd.DataFrame(np.eye(2), index=NAMES,
                                                     columns=NAMES[::-1])),
     "the new form's covariance needs the same names in its index and its columns, in the "
     "same order, or standard errors in columns se_a, se_b, ..."),
    (lambda: equate_with(old_covariance=pd.DataFrame({"se_a": [0.1, 0.1], "se_b": [0.1, -0.2]},
                                                     index=["C1", "O2"])),
     "the old form's covariance: se_b -0.2 of item O2 is below 0"),
    (lambda: equate_with(new_covariance=pd.DataFrame({"label": ["C1"], "se_a": [0.1],
                                                      "se_d": [0.1]})),
     "the new form's covariance has the column se_d, which names no parameter (se_a, se_b, "
     "se_c, se_b1, ...)"),
    (lambda: equate_with(old_covariance=pd.DataFrame({"se_b1": [0.1]}, index=["C1"])),
     "the old form's covariance: 'C1:b1': item C1 has no parameter 'b1'; its parameters are a, "
     "b and c"),
    (lambda: zol.from_slope_intercept(pd.DataFrame({"a": [0.0], "b": [1.0], "c": [0.1]},
                                                   index=["I1"]), None, 1.0),
     "item I1: the slope a1 0 is not a finite number other than 0, which b = -d / a1 needs"),
    # A covariance made on its own names no form.
    (lambda: zol.Covariance(NAMES, np.eye(3)),
     "the covariance needs a row and a column per name: 2 names, a matrix of shape (3, 3)"),
])
def test_covariances_refused(make, explanation):
    with pytest.raises(zol.InputError) as raised:
        make()
    assert (raised.value.kind, str(raised.value)) == ("invalid_input", explanation)
