#!/usr/bin/env python3
"""Generates kernels/opponent_tables.cpp: the forward (RGB -> L, a, b) and
inverse (L, a, b -> RGB) opponent-colour tables of the opponent-colour glue
modes, 16 x 16 x 16 nodes of three bytes each, node (i, j, k) at byte
3i + 48j + 768k.

Forward table: CIELAB of the sRGB node colour (17i, 17j, 17k), D65 white.
  L* is remapped by the piecewise-linear curve through the product's grey
  lightnesses (grey node n has L* of grey 17n -> the product's L of node n);
  a* and b* are scaled by least-squares factors fitted on the six chromatic
  corners and centred on 128. The remaining differences at the six chromatic
  corners are spread over the cube by tetrahedral interpolation (black and
  white have none), which leaves the grey axis untouched, so every listed
  node holds exactly.
Inverse table: the bounded least-squares fit that makes the table's own cell
  walk undo the forward table on the RGB node grid (a small smoothness term
  fills the nodes no RGB colour reaches), then an integer search that makes
  as many node round trips exact as it can. The four listed inverse nodes are
  held at their values.

Standard library only. Run:  python3 make_opponent_tables.py > ../../kernels/opponent_tables.cpp
"""
import sys

N = 16
STEP = 17

GREY_L = [0, 17, 48, 72, 93, 112, 130, 147, 163, 177, 191, 204, 218, 230, 243, 255]
CORNERS = {  # RGB node -> (L, a, b)
    (15, 0, 0): (144, 208, 208),
    (0, 15, 0): (214, 51, 207),
    (0, 0, 15): (104, 158, 33),
    (15, 15, 0): (243, 119, 222),
    (15, 0, 15): (170, 204, 77),
    (0, 15, 15): (228, 75, 111),
}
INVERSE_FIXED = {  # Lab node -> RGB
    (8, 8, 8): (125, 104, 95),
    (15, 8, 8): (255, 249, 237),
    (8, 12, 12): (237, 0, 1),
    (8, 3, 12): (0, 147, 0),
}


def srgb_to_linear(c):
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


MATRIX = [(0.4124564, 0.3575761, 0.1804375),
          (0.2126729, 0.7151522, 0.0721750),
          (0.0193339, 0.1191920, 0.9503041)]
WHITE = [sum(row) for row in MATRIX]


def lab_f(t):
    return t ** (1 / 3) if t > (6 / 29) ** 3 else t / (3 * (6 / 29) ** 2) + 4 / 29


def cielab(rgb):
    lin = [srgb_to_linear(v / 255) for v in rgb]
    xyz = [sum(m * c for m, c in zip(row, lin)) for row in MATRIX]
    fx, fy, fz = (lab_f(v / w) for v, w in zip(xyz, WHITE))
    return 116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)


GREY_LSTAR = [cielab((17 * n,) * 3)[0] for n in range(N)]


def remap_lightness(lstar):
    if lstar <= GREY_LSTAR[0]:
        return GREY_L[0]
    for n in range(1, N):
        if lstar <= GREY_LSTAR[n]:
            t = (lstar - GREY_LSTAR[n - 1]) / (GREY_LSTAR[n] - GREY_LSTAR[n - 1])
            return GREY_L[n - 1] + t * (GREY_L[n] - GREY_L[n - 1])
    return GREY_L[-1]


def fit_scale(axis):
    num = den = 0.0
    for node, target in CORNERS.items():
        model = cielab([17 * c for c in node])[axis]
        num += (target[axis] - 128) * model
        den += model * model
    return num / den


SCALE_A, SCALE_B = fit_scale(1), fit_scale(2)


def scaled_model(node):
    lstar, a, b = cielab([17 * c for c in node])
    return [remap_lightness(lstar), 128 + SCALE_A * a, 128 + SCALE_B * b]


CORNER_DELTA = {(0, 0, 0): [0, 0, 0], (15, 15, 15): [0, 0, 0]}
for node, target in CORNERS.items():
    CORNER_DELTA[node] = [t - m for t, m in zip(target, scaled_model(node))]


def tetrahedral_delta(node):
    """Corner corrections interpolated over the tetrahedron holding the node."""
    c = [v / 15 for v in node]
    axes = sorted(range(3), key=lambda a: -c[a])
    first = [0, 0, 0]
    first[axes[0]] = 15
    second = list(first)
    second[axes[1]] = 15
    weights = [1 - c[axes[0]], c[axes[0]] - c[axes[1]], c[axes[1]] - c[axes[2]], c[axes[2]]]
    corners = [(0, 0, 0), tuple(first), tuple(second), (15, 15, 15)]
    return [sum(w * CORNER_DELTA[k][ch] for w, k in zip(weights, corners)) for ch in range(3)]


def clamp_byte(v):
    return max(0, min(255, int(round(v))))


def make_forward():
    table = {}
    for k in range(N):
        for j in range(N):
            for i in range(N):
                model = scaled_model((i, j, k))
                delta = tetrahedral_delta((i, j, k))
                table[(i, j, k)] = tuple(clamp_byte(m + d) for m, d in zip(model, delta))
    return table


def cell_walk(value):
    """The runtime's 8-bit cell walk: [(node, weight)] with weights summing to 17."""
    index = [min(v // STEP, 15) for v in value]
    rem = [v - i * STEP for v, i in zip(value, index)]
    axes = sorted(range(3), key=lambda a: -rem[a])
    r1, r2, r3 = (rem[a] for a in axes)
    node = list(index)
    walk = [(tuple(node), STEP - r1)]
    node[axes[0]] = min(node[axes[0]] + 1, 15)
    walk.append((tuple(node), r1 - r2))
    node[axes[1]] = min(node[axes[1]] + 1, 15)
    walk.append((tuple(node), r2 - r3))
    node[axes[2]] = min(node[axes[2]] + 1, 15)
    walk.append((tuple(node), r3))
    return walk


def apply_walk(table, value):
    walk = cell_walk(value)
    return tuple(sum(w * table[n][ch] for n, w in walk) // STEP for ch in range(3))


def neighbours(node):
    for axis in range(3):
        for d in (-1, 1):
            m = list(node)
            m[axis] += d
            if 0 <= m[axis] < N:
                yield tuple(m)


def importance(rgb_node):
    """Round trips of greys and near-greys matter most: they are most of a picture."""
    chroma = max(rgb_node) - min(rgb_node)
    return 8.0 if chroma == 0 else 3.0 if chroma == 1 else 1.0


def fit_inverse(forward):
    nodes = [(i, j, k) for k in range(N) for j in range(N) for i in range(N)]
    observations = []  # (walk, target rgb)
    touching = {n: [] for n in nodes}
    for rgb_node in nodes:
        weight = importance(rgb_node)
        walk = [(n, weight * w / STEP) for n, w in cell_walk(forward[rgb_node]) if w]
        index = len(observations)
        observations.append((walk, [weight * (STEP * c + 0.5) for c in rgb_node]))
        for n, w in walk:
            touching[n].append((index, w))
    smooth = 0.01
    x = {n: [128.0, 128.0, 128.0] for n in nodes}
    x.update({n: [float(v) for v in rgb] for n, rgb in INVERSE_FIXED.items()})
    predicted = [[sum(w * x[n][ch] for n, w in walk) for ch in range(3)] for walk, _ in observations]
    for _ in range(400):
        for n in nodes:
            if n in INVERSE_FIXED:
                continue
            near = list(neighbours(n))
            for ch in range(3):
                old = x[n][ch]
                num = smooth * sum(x[m][ch] for m in near)
                den = smooth * len(near)
                for o, w in touching[n]:
                    rest = predicted[o][ch] - w * old
                    num += w * (observations[o][1][ch] - rest)
                    den += w * w
                new = min(255.0, max(0.0, num / den))
                if new != old:
                    for o, w in touching[n]:
                        predicted[o][ch] += w * (new - old)
                    x[n][ch] = new
    inverse = {n: tuple(clamp_byte(v) for v in x[n]) for n in nodes}
    inverse.update(INVERSE_FIXED)
    return inverse


def round_trip_errors(forward, inverse):
    errors = {}
    for n, lab in forward.items():
        back = apply_walk(inverse, lab)
        errors[n] = max(abs(b - STEP * c) for b, c in zip(back, n))
    return errors


def refine_inverse(forward, inverse):
    """Integer search: move single node bytes by one while the summed round-trip
    error over the RGB nodes that use them falls."""
    inverse = {n: list(v) for n, v in inverse.items()}
    users = {n: [] for n in inverse}
    for rgb_node, lab in forward.items():
        for n, w in cell_walk(lab):
            if w:
                users[n].append(rgb_node)

    def cost(rgb_nodes, ch):
        total = 0
        for r in rgb_nodes:
            walk = cell_walk(forward[r])
            back = sum(w * inverse[n][ch] for n, w in walk) // STEP
            total += importance(r) * abs(back - STEP * r[ch])
        return total

    for _ in range(6):
        changed = False
        for n in inverse:
            if n in INVERSE_FIXED or not users[n]:
                continue
            for ch in range(3):
                best = cost(users[n], ch)
                for d in (-1, 1, -2, 2):
                    old = inverse[n][ch]
                    if not 0 <= old + d <= 255:
                        continue
                    inverse[n][ch] = old + d
                    c = cost(users[n], ch)
                    if c < best:
                        best, changed = c, True
                    else:
                        inverse[n][ch] = old
        if not changed:
            break
    return {n: tuple(v) for n, v in inverse.items()}


def check(forward, inverse):
    for n in range(N):
        assert forward[(n, n, n)] == (GREY_L[n], 128, 128), n
    for node, lab in CORNERS.items():
        assert forward[node] == lab, node
    for node, rgb in INVERSE_FIXED.items():
        assert inverse[node] == rgb, node


def emit(name, table, comment):
    lines = [f"// {comment}", f"const uint8_t {name}[kOpponentTableBytes] = {{"]
    for k in range(N):
        for j in range(N):
            row = []
            for i in range(N):
                row.extend(table[(i, j, k)])
            lines.append("    " + ", ".join(str(v) for v in row) + ",")
    lines.append("};")
    return "\n".join(lines)


def main():
    forward = make_forward()
    inverse = refine_inverse(forward, fit_inverse(forward))
    check(forward, inverse)
    errors = round_trip_errors(forward, inverse)
    histogram = {}
    for e in errors.values():
        histogram[e] = histogram.get(e, 0) + 1
    print(f"round-trip error histogram over the RGB nodes: {sorted(histogram.items())}", file=sys.stderr)
    print("// Generated by tools/opponent_tables/make_opponent_tables.py; do not edit.")
    print("// The constant opponent-colour tables of the opponent-colour glue modes: CIELAB")
    print("// of the sRGB node colours, remapped so that the product's grey and corner nodes")
    print("// hold, and an inverse fitted to undo the forward table on the node grid as")
    print("// closely as byte nodes allow (see the script for the round-trip errors).")
    print('#include "kernels/opponent_tables.h"')
    print()
    print(emit("kOpponentForwardTable", forward, "RGB node (i, j, k) -> (L, a, b); a and b centred on 128."))
    print()
    print(emit("kOpponentInverseTable", inverse, "(L, a, b) node (i, j, k) -> RGB."))


if __name__ == "__main__":
    main()
