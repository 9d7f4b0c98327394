#!/usr/bin/env python3
"""Checks a run's record against the record schema and, when given, reads its JUnit
file with junitparser. Prints the run's verdict, then for the JUnit file one line
"junit tests=N failures=N errors=N skipped=N" and one line per test case that did not
pass: "CLASSNAME / NAME: failure|error|skipped". Exit status 1 when the record is not
valid."""
import json
import sys

import jsonschema
from junitparser import Error, Failure, JUnitXml, Skipped

schema_path, record_path = sys.argv[1], sys.argv[2]
with open(schema_path, encoding="utf-8") as f:
    schema = json.load(f)
with open(record_path, encoding="utf-8") as f:
    record = json.load(f)
try:
    jsonschema.Draft202012Validator(schema, format_checker=jsonschema.FormatChecker()).validate(record)
except jsonschema.ValidationError as e:
    print("invalid record:", e.message)
    sys.exit(1)
print("verdict", record["verdict"])

if len(sys.argv) > 3:
    xml = JUnitXml.fromfile(sys.argv[3])
    suites = list(xml) if isinstance(xml, JUnitXml) else [xml]
    tests = failures = errors = skipped = 0
    lines = []
    for suite in suites:
        for case in suite:
            tests += 1
            for outcome in case.result:
                kind = {Failure: "failure", Error: "error", Skipped: "skipped"}[type(outcome)]
                failures += kind == "failure"
                errors += kind == "error"
                skipped += kind == "skipped"
                lines.append(f"{case.classname} / {case.name}: {kind}")
    print(f"junit tests={tests} failures={failures} errors={errors} skipped={skipped}")
    for line in lines:
        print(line)
