#!/usr/bin/env python3
"""Checks that no module includes a module above it.

A module's files may include their own module and the modules it builds on, named by their
module paths ("tessera/window/window.h"). Tests and fuzz targets test the whole module, its
inner layers included, and may also include the test helpers of the modules below and the
controller simulator, the crash channel's other end, and the collector's test helper, the
upload's other end. The inbox's command line and store stay below its window.
Prints each include that breaks the order and exits 1; exits 0 when there is none.
"""
import pathlib
import re
import subprocess
import sys

# Module -> the folder it lives in and the modules it builds on (directly).
MODULES = {
    'orrery_core': ('src/orrery_core', []),
    'q5_suite': ('src/q5_suite', ['orrery_core']),
    'orrery_gui': ('src/orrery_gui', ['orrery_core']),
    'tessera': ('tessera', ['orrery_gui']),
    'package_format': ('applications/package_format', ['q5_suite']),
    'crash_analysis': ('applications/crash_analysis', []),
    'crash_reporter': ('applications/crash_reporter', ['tessera', 'package_format']),
    'crash_inbox': ('applications/crash_inbox', ['package_format', 'crash_analysis']),
    'crash_inbox/window': ('applications/crash_inbox/window', ['crash_inbox', 'tessera']),
    'controller_sim': ('tools/controller_sim', []),
}
# Test helpers that the tests of any module may include: the other end of what they test.
OTHER_ENDS = {'crash_inbox/tests/collector_process.h'}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def below(module):
    """The module and everything it builds on, directly or not."""
    reached, todo = set(), [module]
    while todo:
        name = todo.pop()
        if name not in reached:
            reached.add(name)
            todo.extend(MODULES[name][1])
    return reached


def module_of_file(path):
    best = None
    for name, (folder, _) in MODULES.items():
        if path.startswith(folder + '/') and (best is None or len(folder) > len(MODULES[best][0])):
            best = name
    return best


def module_of_include(include):
    best = None
    for name in MODULES:
        if include.startswith(name + '/') and (best is None or len(name) > len(best)):
            best = name
    return best


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    files = subprocess.run(['git', 'ls-files', '*.cpp', '*.h', '*.in'], cwd=root, check=True,
                           capture_output=True, text=True).stdout.split()
    faults = []
    for path in files:
        module = module_of_file(path)
        if module is None or re.fullmatch(r'applications/\w+/(\w+_)?main\.cpp', path):
            continue  # programs, tools and benchmarks sit above everything
        testing = bool(re.search(r'/(tests|fuzz)/', path))
        allowed = below(module)
        if testing:
            folder = MODULES[module][0]
            for name, (inner, _) in MODULES.items():
                if inner.startswith(folder + '/'):
                    allowed |= below(name)
            allowed.add('controller_sim')
        source = root / path
        for include in INCLUDE.findall(source.read_text(encoding='utf-8')):
            if include.endswith('.moc') or ('/' not in include and (source.parent / include).exists()):
                continue  # beside the including file, or made by the build
            target = module_of_include(include)
            if target is None:
                faults.append(f'{path}: "{include}" names no module')
                continue
            helper = '/tests/' in include
            if target in allowed and (not helper or testing):
                continue
            if testing and include in OTHER_ENDS:
                continue
            faults.append(f'{path}: {module} includes "{include}" of {target}')
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
