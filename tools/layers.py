"""Which way includes run in src/. Every include runs downwards:

    main.cpp -> start -> app -> console, files -> text -> frame -> platform

console/ and files/ do not include each other, app/ never includes platform/, the shared part of
platform/ includes neither posix/ nor win32/, and those two never include each other. No unit (a
.cpp with its .h) includes itself back through others. A folder of src/ that is not named here is
an error too, so that a new folder gets its place before its first include.

Usage: python3 tools/layers.py [PROJECT_ROOT]. Prints every offending include; the last line is
the summary. Exit status 0 when clean, 1 otherwise."""
import os
import re
import sys

RANK = {"platform": 0, "frame": 1, "text": 2, "console": 3, "files": 3, "app": 4, "start": 5, "": 6}
PLATFORM_ROOMS = {"", "posix", "win32"}
INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)"')


def folder_of(path):
    """The top folder and, inside platform/, the room: ("platform", "posix"), ("app", "")."""
    parts = path.split("/")
    top = parts[0] if len(parts) > 1 else ""
    room = parts[1] if top == "platform" and len(parts) > 2 else ""
    return top, room


def check_include(source, included):
    """The reason the include runs the wrong way, or None."""
    top, room = folder_of(source)
    itop, iroom = folder_of(included)
    if itop not in RANK:
        return None  # a system or test header
    if top == itop:
        if top == "platform" and iroom != "" and iroom != room:
            return "into another platform's room" if room else "from the shared platform into one system's room"
        return None
    if top == "app" and itop == "platform":
        return "the tool speaks to the services only"
    if RANK[top] <= RANK[itop]:
        return "upward or sideways"
    return None


def main():
    root = os.path.join(sys.argv[1] if len(sys.argv) > 1 else ".", "src")
    edges, problems = {}, []
    for directory, _, files in os.walk(root):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            source = os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/")
            top, room = folder_of(source)
            if top not in RANK or (top == "platform" and room not in PLATFORM_ROOMS):
                problems.append(f"unknown folder: {source}")
                continue
            unit = os.path.splitext(source)[0]
            with open(os.path.join(directory, name), encoding="utf-8", errors="replace") as text:
                for line in text:
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    included = match.group(1)
                    edges.setdefault(unit, set()).add(os.path.splitext(included)[0])
                    reason = check_include(source, included)
                    if reason:
                        problems.append(f"upward: {source} -> {included} ({reason})")

    cycles = set()

    def visit(unit, stack):
        for target in edges.get(unit, ()):
            if target == unit:
                continue
            if target in stack:
                cycles.add(" -> ".join(sorted(stack[stack.index(target):])))
            elif len(stack) < 64:
                visit(target, stack + [target])

    for unit in list(edges):
        visit(unit, [unit])
    for problem in problems:
        print(problem)
    for cycle in sorted(cycles):
        print("cycle:", cycle)
    upward = sum(1 for p in problems if p.startswith("upward"))
    unknown = len(problems) - upward
    print(f"{upward} upward includes, {len(cycles)} include cycles, {unknown} files in unknown folders")
    return 0 if not problems and not cycles else 1


if __name__ == "__main__":
    sys.exit(main())
