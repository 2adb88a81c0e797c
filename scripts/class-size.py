#!/usr/bin/env python3
"""Counts the member functions and data members a class declares in a header.

    scripts/class-size.py src/app/UKadrix.h TfrmKadrix

Member functions: every declaration with a parameter list (constructors,
the destructor, static and inline ones, Qt overrides). Data members: the
non-static variables. Nested types, static constants, Q_OBJECT and access
labels count as neither. It reads the header as text, so it expects the
house layout (one declaration per statement, no macros inside the class).
"""
import re
import sys


def class_body(text, name):
    match = re.search(r"\bclass\s+" + re.escape(name) + r"\b[^;{]*\{", text)
    if not match:
        sys.exit(f"class {name} not found")
    depth, start = 1, match.end()
    for i in range(start, len(text)):
        if text[i] == "{":
            depth += 1
        elif text[i] == "}":
            depth -= 1
            if depth == 0:
                return text[start:i]
    sys.exit(f"class {name} is not closed")


def statements(body):
    """Top-level statements of the class body, with inline bodies dropped."""
    out, current, depth = [], "", 0
    for ch in body:
        if ch == "{":
            if depth == 0:
                current += "{}"
            depth += 1
            continue
        if ch == "}":
            depth -= 1
            if depth == 0 and re.search(r"\)\s*(const)?\s*(override)?\s*(noexcept)?\s*\{\}$", current.strip()):
                out.append(current.strip())  # an inline member function ends here
                current = ""
            continue
        if depth:
            continue
        current += ch
        if ch == ";":
            out.append(current.strip())
            current = ""
    return out


def main():
    path, name = sys.argv[1], sys.argv[2]
    text = open(path, encoding="utf-8").read()
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    methods, fields = [], []
    for statement in statements(class_body(text, name)):
        statement = re.sub(r"^(public|protected|private|signals|public slots|private slots)\s*:", "", statement).strip()
        statement = re.sub(r"^Q_OBJECT\s*", "", statement).strip()
        if not statement or statement == ";":
            continue
        if re.match(r"(enum|struct|class|using|friend|typedef)\b", statement):
            continue
        head = re.split(r"=|\{", statement, maxsplit=1)[0]
        if "(" in head and not re.search(r"\(\s*\*", head):  # not a pointer to function
            methods.append(statement)
        elif not re.match(r"static\b", statement):
            fields.append(statement)
    if "-v" in sys.argv:
        for m in methods:
            print("method:", " ".join(m.split()))
        for f in fields:
            print("field: ", " ".join(f.split()))
    print(f"{name}: {len(methods)} methods, {len(fields)} fields")


main()
