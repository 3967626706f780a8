# Runs a README's Python examples from the checkout's top directory and compares what they print
import subprocess
import sys
from pathlib import Path


def check(readme, checkout):
    """What differs between the README's python blocks, each run on its own, and the blocks
    that follow them, which show what they print; "" when nothing does."""
    blocks = Path(readme).read_text(encoding="utf-8").split("```")
    # Fenced blocks are the odd entries; an example is followed by its output block.
    differences = []
    for at in range(1, len(blocks) - 2, 2):
        if not blocks[at].startswith("python\n"):
            continue
        code, expected = blocks[at].removeprefix("python\n"), blocks[at + 2].lstrip("\n")
        run = subprocess.run([sys.executable, "-c", code], cwd=checkout, capture_output=True,
                             text=True)
        if run.returncode != 0 or run.stdout != expected:
            differences.append(f"the example of {readme} printed\n{run.stdout}{run.stderr}\n"
                               f"instead of\n{expected}")
    return "\n".join(differences)


if __name__ == "__main__":
    sys.exit(check(sys.argv[1], sys.argv[2]) or None)
