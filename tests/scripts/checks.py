"""The tally the script checks share: each check a (passed, what) pair, one line per failure and a
closing "N passed, M failed" that scripts/test counts."""


def expect(checks, ok, what):
    checks.append((ok, what))


def report(checks):
    """Prints the failures and the tally; the exit status for them."""
    failures = [what for ok, what in checks if not ok]
    for what in failures:
        print("FAILED: " + what)
    print("%d passed, %d failed" % (len(checks) - len(failures), len(failures)))
    return 0 if not failures else 1
