"""The check-and-count helpers of the end-to-end scripts: each check prints
one line, and the script's status says whether any failed."""

failures = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what, flush=True)
    if not cond:
        failures.append(what)


def status():
    """The exit status for the checks so far: 1 when any failed, else 0."""
    if failures:
        print(f"{len(failures)} checks failed")
        return 1
    return 0
