#!/usr/bin/python3
"""Names every include that points up the module layering; exits 1 when there is one."""
import os, re, sys
root = sys.argv[1] if len(sys.argv) > 1 else '.'
os.chdir(root)
# (prefix, level, name); the longest prefix wins. Modules of one level are siblings: none may
# include another.
MODULES = [
    ('host/', 0, 'host'), ('common/', 1, 'common'), ('package/', 2, 'package'), ('model/', 3, 'model'),
    ('values/format/', 4, 'format'), ('values/', 5, 'values'), ('parser/', 5, 'parser'),
    ('view/drawlayer/', 5, 'drawlayer'), ('chart/', 6, 'chart'), ('shapes/', 6, 'shapes'),
    ('view/', 7, 'view'), ('filter/', 8, 'filter'),
]
def module(path):
    best = None
    for prefix, level, name in MODULES:
        if path.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
            best = (prefix, level, name)
    return best
bad = 0
for top in [m[0].split('/')[0] for m in MODULES]:
    for dirpath, _, files in os.walk(top):
        for f in files:
            if not f.endswith(('.cpp', '.h', '.c')):
                continue
            path = os.path.join(dirpath, f)
            src = module(path)
            for line in open(path, encoding='utf-8', errors='replace'):
                m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                if not m:
                    continue
                dst = module(m.group(1))
                if not dst or dst[2] == src[2]:
                    continue
                if dst[1] >= src[1]:
                    print(f'{path}: {src[2]} includes {m.group(1)} ({dst[2]})')
                    bad += 1
print(f'{bad} includes point up or sideways')
sys.exit(1 if bad else 0)
