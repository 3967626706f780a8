# Runs the README's Python example from the checkout's top directory and compares what it prints
import subprocess
import sys
from pathlib import Path

readme, checkout = Path(sys.argv[1]), Path(sys.argv[2])
blocks = readme.read_text(encoding="utf-8").split("```")
# The example is the first python block; the block after it is what it prints.
first = next(i for i, block in enumerate(blocks) if block.startswith("python\n"))
code, expected = blocks[first].removeprefix("python\n"), blocks[first + 2].lstrip("\n")
run = subprocess.run([sys.executable, "-c", code], cwd=checkout, capture_output=True, text=True)
if run.returncode != 0 or run.stdout != expected:
    sys.exit(f"the README's example printed\n{run.stdout}{run.stderr}\ninstead of\n{expected}")
