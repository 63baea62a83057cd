#!/usr/bin/env python3
"""Draws Ostrak's own skin from layout.py: the skin files of the Skins folder
(UTF-16LE with a byte-order mark, CRLF), every state picture (JPEG), the
window masks and the lighting panel's bitmaps (BMP), and the program icons.
Only ImageMagick's convert and the DejaVu fonts are used, and the output is
the same on every run.

usage: generate.py CONVERT SKINS_DIR           the Skins folder
       generate.py CONVERT --icons ICON_DIR    icon128.ico, icon141.ico, icon142.ico
"""
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import layout as L  # noqa: E402

FONT = 'DejaVu-Sans'
BOLD = 'DejaVu-Sans-Bold'
CYAN, AMBER, GREEN, RED = '#00c8ff', '#ffb020', '#39f59a', '#e5484d'


def quoted(text):
    return "'" + text.replace('\\', '\\\\').replace("'", "\\'") + "'"


class Drawing:
    """An ImageMagick draw program (MVG)."""

    def __init__(self):
        self.lines = []

    def box(self, x, y, w, h, fill, stroke='none', width=1, radius=0):
        self.lines += ['fill ' + quoted(fill), 'stroke ' + quoted(stroke), 'stroke-width %g' % width]
        inset = width / 2 if stroke != 'none' else 0
        x0, y0, x1, y1 = x + inset, y + inset, x + w - 1 - inset, y + h - 1 - inset
        if radius:
            self.lines.append('roundrectangle %g,%g %g,%g %d,%d' % (x0, y0, x1, y1, radius, radius))
        else:
            self.lines.append('rectangle %g,%g %g,%g' % (x0, y0, x1, y1))

    def polygon(self, points, fill, stroke='none', width=1):
        self.lines += ['fill ' + quoted(fill), 'stroke ' + quoted(stroke), 'stroke-width %g' % width,
                       'polygon ' + ' '.join('%g,%g' % p for p in points)]

    def circle(self, cx, cy, r, fill, stroke='none', width=1):
        self.lines += ['fill ' + quoted(fill), 'stroke ' + quoted(stroke), 'stroke-width %g' % width,
                       'circle %g,%g %g,%g' % (cx, cy, cx + r, cy)]

    def line(self, x0, y0, x1, y1, colour, width=1):
        self.lines += ['fill none', 'stroke ' + quoted(colour), 'stroke-width %g' % width,
                       'line %g,%g %g,%g' % (x0, y0, x1, y1)]

    def text(self, cx, cy, text, size, colour, font=FONT, anchor='middle'):
        """Text centred vertically on cy; horizontally by anchor at cx."""
        if not text:
            return
        self.lines += ['stroke none', 'fill ' + quoted(colour), 'font ' + quoted(font), 'font-size %g' % size,
                       'text-anchor ' + anchor, 'text %g,%g %s' % (cx, cy + round(size * 0.36), quoted(text))]

    def program(self):
        return '\n'.join(self.lines)


def legend_size(label):
    return 14 if len(label) <= 1 else 11 if len(label) <= 3 else 10 if len(label) <= 4 else 9


# Faces by look and state. States: N normal, O over, D down, X disable (also
# the checked face of keys and toggles), C0 / C1 the colour display off / on.
KEY_STYLE = {
    'N': ('#2a3039', '#3d4551', 1, '#e8edf3'),
    'O': ('#2f4356', CYAN, 2, '#ffffff'),
    'D': ('#0b6d8c', CYAN, 2, '#ffffff'),
    'X': ('#3b2c0e', AMBER, 2, '#ffd27a'),
    'C0': ('#1b1f25', '#3d4551', 1, '#8e97a3'),
    'C1': ('#2a3039', '#3d4551', 1, '#ffffff'),
}
GKEY_STYLE = dict(KEY_STYLE, N=('#2a2840', '#5e54c8', 1, '#e2defc'), C0=KEY_STYLE['C0'])
BUTTON_STYLE = {
    'N': ('#2f3640', '#4a5462', 1, '#e8edf3'),
    'O': ('#364758', CYAN, 2, '#ffffff'),
    'D': ('#0b6d8c', CYAN, 2, '#ffffff'),
    'X': ('#00a6d6', '#8fe6ff', 2, '#ffffff'),    # a toggle that is on
}
DISABLED_BUTTON = ('#202329', '#2c3038', 1, '#5c636e')
RAINBOW = ['#ff4d4d', '#ffa64d', '#ffe14d', '#5cf07a', '#4dc3ff', '#8a6cff', '#ff5cd6']


def draw_key(d, x, y, w, h, label, state, style):
    fill, stroke, width, ink = style.get(state, style['N'])
    shift = 1 if state == 'D' else 0
    d.box(x, y, w, h, '#101317', radius=5)                     # the key's shadow
    d.box(x, y, w, h - 2 + shift, fill, stroke, width, radius=5)
    if state in ('N', 'C0', 'C1'):
        d.line(x + 5, y + 2, x + w - 6, y + 2, '#46505e')      # the top edge catches the light
    if state == 'C1':
        step = (w - 8) / len(RAINBOW)
        for i, colour in enumerate(RAINBOW):
            d.box(x + 4 + i * step, y + h - 9, step + 1, 4, colour)
    if state == 'C0':
        d.box(x + 4, y + h - 9, w - 8, 4, 'none', '#59626f', 1)
    d.text(x + w / 2, y + (h - 2) / 2 + shift - (2 if state in ('C0', 'C1') else 0), label,
           legend_size(label), ink, BOLD if len(label) <= 1 else FONT)


def draw_button(d, x, y, w, h, label, state, disabled_x=False):
    fill, stroke, width, ink = DISABLED_BUTTON if (state == 'X' and disabled_x) else BUTTON_STYLE.get(state, BUTTON_STYLE['N'])
    d.box(x, y, w, h, fill, stroke, width, radius=6)
    if state == 'N':
        d.line(x + 6, y + 2, x + w - 7, y + 2, '#48525f')
    d.text(x + w / 2, y + h / 2 + (1 if state == 'D' else 0), label, 12 if len(label) > 3 else 13, ink, BOLD)


GLYPHS = {
    'menu': '\u2261', 'help': '?', 'minimise': '\u2013', 'close': '\u2715', 'keyboard': '\u2328', 'clear': '\u21ba',
    'plus': '+', 'minus': '\u2212', 'top': '\u21c8', 'up': '\u25b2', 'down': '\u25bc', 'bottom': '\u21ca',
    'cross': '\u2715', 'record': '\u25cf',
}


def draw_glyph(d, x, y, w, h, glyph, state):
    hot = RED if glyph == 'close' else CYAN
    if state == 'N':
        d.box(x, y, w, h, '#242931', '#363d47', 1, radius=5)
        ink = '#f06a70' if glyph == 'record' else '#b4bec9'
    elif state == 'O':
        d.box(x, y, w, h, '#31404e', hot, 2, radius=5)
        ink = '#ffffff'
    elif state == 'D':
        d.box(x, y, w, h, '#8c1d22' if glyph == 'close' else '#0b6d8c', hot, 2, radius=5)
        ink = '#ffffff'
    else:
        d.box(x, y, w, h, '#1c1f24', '#262a31', 1, radius=5)
        ink = '#4e555f'
    d.text(x + w / 2, y + h / 2, GLYPHS[glyph], 15, ink, BOLD)


def draw_light(d, x, y, w, h, label, state):
    lit = state in ('O', 'X')
    d.box(x, y, w, h, '#1a1d23', '#2c323b', 1, radius=4)
    narrow = w < 40   # the dot above the label instead of beside it
    cx, cy = (x + w / 2, y + 8) if narrow else (x + 8, y + h / 2)
    if lit:
        d.circle(cx, cy, 6, '#14432e')
    d.circle(cx, cy, 3.5, GREEN if lit else '#3a414b')
    ink = '#e8edf3' if lit else '#808996'
    if narrow:
        d.text(x + w / 2, y + h - 8, label, 8, ink, FONT)
    else:
        d.text(x + 15, cy, label, 9, ink, FONT, 'start')


def draw_banner(d, x, y, w, h, state, label=''):
    fill = {'N': '#1f2f3d', 'O': '#284760', 'D': '#0b6d8c'}.get(state, '#1f2f3d')
    d.polygon([(x + 14, y), (x + w - 1, y), (x + w - 15, y + h - 1), (x, y + h - 1)], fill, CYAN if state != 'N' else '#35516a', 1)
    d.text(x + w / 2, y + h / 2, label, 13, '#e8edf3', BOLD)


def draw_logo(d, x, y, w, h, label, state):
    ink = {'N': CYAN, 'O': '#8fe6ff', 'X': '#0a7fa3'}.get(state, CYAN)
    d.box(x + 2, y + 5, 22, 20, 'none', ink, 2, radius=4)
    d.box(x + 7, y + 10, 12, 3, ink)
    d.box(x + 7, y + 16, 12, 3, ink)
    d.text(x + 32, y + h / 2, label, 18, ink, BOLD, 'start')


def draw_recess(d, x, y, w, h):
    d.box(x, y, w, h, '#0f1216', '#2e343d', 1, radius=3)


# The page banner's colour; its word is the program's, in the chosen language.
PAGE_BANNERS = {'key': '#1d3c4f', 'macro': '#3b2a52', 'macro2': '#3b2a52', 'media': '#1f4a37', 'function': '#4f3a1d'}


def draw_control(d, control, state, page_set):
    key, x, y, w, h, look, label = control
    if look == 'key':
        draw_key(d, x, y, w, h, label, state, KEY_STYLE)
    elif look == 'gkey':
        draw_key(d, x, y, w, h, label, state, GKEY_STYLE)
    elif look in ('button', 'toggle'):
        draw_button(d, x, y, w, h, label, state if state in 'NODX' else 'N', disabled_x=(key == 'CONTROL2_APPLY'))
    elif look == 'glyph':
        draw_glyph(d, x, y, w, h, label, state if state in 'NODX' else 'N')
    elif look == 'light':
        draw_light(d, x, y, w, h, label, state)
    elif look == 'banner':
        draw_banner(d, x, y, w, h, state)
    elif look == 'logo':
        draw_logo(d, x, y, w, h, label, state)
    elif look == 'tab':
        selected = state == 'D'
        fill = '#0b6d8c' if selected else '#2f4356' if state == 'O' else '#232a33'
        d.box(x, y, w, h, fill, CYAN if state in 'OD' else '#363f4a', 2 if state in 'OD' else 1, radius=6)
        d.text(x + 18, y + h / 2, GLYPHS['keyboard'] if label == 'key' else {'macro': '\u25cf', 'media': '\u266b',
               'function': '\u0192'}[label], 14, '#ffffff' if state in 'OD' else '#9aa4b1', BOLD)
    elif look == 'mask':
        d.box(x, y, w, h, PAGE_BANNERS[page_set], '#ffffff' if state == 'D' else '#4a5563', 1, radius=4)
    elif look in ('field', 'list'):
        draw_recess(d, x, y, w, h)
    # 'text', 'picture', 'check', 'arrow' and 'flat' controls show the
    # background; the colour buttons and the effect list draw their own frames,
    # so that a hidden one leaves no empty box behind.


def window_background(d, width, height, title):
    """The window's frame; its corners lie outside the mask's shape."""
    d.box(0, 0, width, height, '#16191f', '#313843', 2, radius=16)
    d.line(16, 48, width - 17, 48, '#262b33')
    if title:  # the dialogs draw their own titles, in the chosen language
        d.text(width / 2, 24, title, 13, '#7f8894', FONT)


def picture(convert, path, width, height, drawing, extra=()):
    """Writes one picture; the canvas is a soft vertical gradient."""
    cmd = [convert, '-size', '%dx%d' % (width, height), 'gradient:#1b1f26-#0f1114',
           '-draw', drawing.program(), *extra, '-strip']
    if path.endswith('.jpg'):
        cmd += ['-sampling-factor', '1x1', '-quality', '90', path]
    else:
        cmd += ['-type', 'TrueColor', 'BMP3:' + path]
    subprocess.run(cmd, check=True)


def mask(convert, path, width, height):
    cmd = [convert, '-size', '%dx%d' % (width, height), 'xc:white', '+antialias', '-fill', 'black', '-draw',
           'roundrectangle 0,0 %d,%d 16,16' % (width - 1, height - 1), '-strip', '-type', 'Palette', 'BMP3:' + path]
    subprocess.run(cmd, check=True)


def window_pictures(name, width, height, controls, states, title, page_set=None):
    """(file, drawing) for each state picture of a window."""
    out = []
    for state, file_name in states:
        d = Drawing()
        window_background(d, width, height, title)
        if name == 'Main.ini':
            for (px, py, pw, ph, _) in L.MAIN_PANELS:
                d.box(px, py, pw, ph, '#1a1e25', '#2a303a', 1, radius=10)
        for control in controls:
            if control[0] in L.NEVER_SHOWN:
                continue
            # The macro page's buttons take their faces from the macro set
            # alone; the other sets, the background among them, show the page
            # area empty.
            if control[0].startswith('FUNC_MACRO') and control[6] and page_set not in (None, 'macro'):
                continue
            draw_control(d, control, state, page_set)
        out.append((file_name, d))
    return out


def arrow_picture(width, height):
    d = Drawing()
    for key, (ox, oy) in L.ARROW_ORIGINS.items():
        right = 'RIGHT' in key
        lit = key.endswith('2')
        down = key.startswith('DOWN')
        d.box(ox, oy, 24, 24, '#0b6d8c' if lit else '#242931', CYAN if lit else '#363d47', 1, radius=4)
        glyph = ('\u25b6' if right else '\u25c0') if not down else ('\u25bc' if right else '\u25b2')
        d.text(ox + 12, oy + 12, glyph, 12, '#ffffff' if lit else '#9aa4b1', BOLD)
    return d


def slider(d, w, h, fraction):
    d.box(0, 0, w, h, '#1a1e25')
    d.box(4, h / 2 - 3, w - 8, 6, '#0f1216', '#2e343d', 1, radius=3)
    knob = 4 + 6 + fraction * (w - 20)
    if fraction > 0:
        d.box(4, h / 2 - 3, knob - 4, 6, CYAN, radius=3)
    d.circle(knob, h / 2, 7, '#e8edf3', '#0b6d8c', 2)


def lighting_bitmaps():
    """(file, width, height, drawing) of the lighting panel's pictures."""
    out = []
    for value in range(0, 27):                      # brightness 0-25 (and the unused 26)
        d = Drawing()
        slider(d, 200, 20, min(value, 25) / 25)
        out.append(('%d.bmp' % value, 200, 20, d))
    for position in range(25):                      # speed slider positions 0-24: 27-51
        d = Drawing()
        slider(d, 200, 20, position / 24)
        out.append(('%d.bmp' % (27 + position), 200, 20, d))
    for on, name in ((True, 'dengdown.bmp'), (False, 'dengup.bmp')):
        d = Drawing()
        d.box(0, 0, 40, 20, '#1a1e25')
        d.box(1, 1, 38, 18, '#0b6d8c' if on else '#2a3039', CYAN if on else '#4a5462', 1, radius=9)
        d.circle(29 if on else 11, 10, 6, '#ffffff' if on else '#8e97a3')
        out.append((name, 40, 20, d))
    for side, glyph in (('left', '\u25c0'), ('right', '\u25b6')):
        for down in (True, False):
            d = Drawing()
            d.box(0, 0, 24, 24, '#1a1e25')
            d.box(1, 1, 22, 22, '#0b6d8c' if down else '#242931', CYAN if down else '#363d47', 1, radius=4)
            d.text(12, 12, glyph, 12, '#ffffff' if down else '#8e97a3', BOLD)
            out.append(('%s%s.bmp' % (side, 'down' if down else 'up'), 24, 24, d))
    for down in (True, False):
        d = Drawing()
        d.box(0, 0, 20, 20, '#1a1e25')
        d.box(2, 2, 16, 16, CYAN if down else '#0f1216', CYAN if down else '#4a5462', 1, radius=3)
        if down:
            d.line(6, 10, 9, 13, '#0b1a22', 2)
            d.line(9, 13, 14, 6, '#0b1a22', 2)
        out.append(('sjs%s.bmp' % ('down' if down else 'up'), 20, 20, d))
    for tool, glyph in (('user1', '\u270e'), ('user2', '\u25a3')):
        for down in (True, False):
            d = Drawing()
            d.box(0, 0, 24, 24, '#1a1e25')
            d.box(1, 1, 22, 22, '#0b6d8c' if down else '#242931', CYAN if down else '#363d47', 1, radius=4)
            d.text(12, 12, glyph, 13, '#ffffff' if down else '#8e97a3', FONT)
            out.append(('%s%s.bmp' % (tool, 'down' if down else 'up'), 24, 24, d))
    for frame in range(10):                         # the wait animation: a light running along a bar
        d = Drawing()
        d.box(0, 0, 120, 12, '#1a1e25')
        d.box(0, 2, 120, 8, '#0f1216', '#2e343d', 1, radius=4)
        x = 2 + frame * 11
        d.box(x, 3, 28 if x + 28 <= 118 else 118 - x, 6, CYAN, radius=3)
        out.append(('jdt%d.bmp' % (frame + 1), 120, 12, d))
    return out


def ini_text(sections):
    lines = []
    for section, entries in sections:
        lines.append('[%s]' % section)
        lines += ['%s=%s' % (k, v) for k, v in entries]
        lines.append('')
    return '\r\n'.join(lines)


def write_ini(path, sections):
    data = b'\xff\xfe' + ini_text(sections).encode('utf-16-le')
    with open(path + '.tmp', 'wb') as f:
        f.write(data)
    os.replace(path + '.tmp', path)


def rect(control):
    key, x, y, w, h = control[:5]
    return key, '%d,%d,%d,%d' % (x, y, w, h)


def skin_files(skins):
    main = L.main_controls()
    by_key = dict(rect(c) for c in main)
    assert len(by_key) == len(main), 'a key is placed twice'
    buttons = [rect(c) for c in main] + [(alt, by_key[plain]) for alt, plain in L.MAIN_ALTERNATES.items()]
    write_ini(os.path.join(skins, 'Main.ini'), [
        ('SCREEN', [('Main', 'main_normal.jpg'), ('Mask', 'main_mask.bmp')]),
        ('BUTTONINFO', buttons),
        ('BUTTONINFO2', [(k, '%d,%d,24,24' % o) for k, o in L.ARROW_ORIGINS.items()]),
        ('Control_Name', [(k, zh) for k, zh, _ in L.CAPTIONS]),
        ('Control_Name1', [(k, en) for k, _, en in L.CAPTIONS]),
        ('Mode', [(str(n), zh) for n, zh, _ in L.EFFECTS]),
        ('Mode1', [(str(n), en) for n, _, en in L.EFFECTS]),
    ])
    for name, background, mask_name, controls in (
            ('Profile.ini', 'Profile_normal.jpg', 'profile_mask.bmp', L.profile_controls()),
            ('Composite.ini', 'key_normal.jpg', 'composite_mask.bmp', L.composite_controls()),
            ('UpdateDlg.ini', 'update_normal.jpg', 'update_mask.bmp', L.update_controls())):
        write_ini(os.path.join(skins, name), [
            ('SCREEN', [('Main', background), ('Mask', mask_name)]),
            ('BUTTONINFO', [rect(c) for c in controls]),
        ])


def all_pictures():
    """(file, width, height, drawing) of every JPEG state picture."""
    jobs = []
    add = lambda w, h, pictures: jobs.extend((f, w, h, d) for f, d in pictures)
    add(L.MAIN_W, L.MAIN_H, window_pictures('Main.ini', L.MAIN_W, L.MAIN_H, L.main_controls(), [
        ('N', 'main_normal.jpg'), ('O', 'main_over.jpg'), ('D', 'main_down.jpg'), ('X', 'main_disable.jpg'),
        ('C0', 'main_color0.jpg'), ('C1', 'main_color1.jpg')], ''))
    jobs.append(('Arrow.jpg', L.MAIN_W, L.MAIN_H, arrow_picture(L.MAIN_W, L.MAIN_H)))
    add(L.PROFILE_W, L.PROFILE_H, window_pictures('Profile.ini', L.PROFILE_W, L.PROFILE_H, L.profile_controls(), [
        ('N', 'Profile_normal.jpg'), ('O', 'Profile_over.jpg'), ('D', 'Profile_down.jpg')], ''))
    for page_set, states in (('key', 'NOD'), ('macro', 'NODX'), ('macro2', 'NODX'), ('media', 'NOD'),
                             ('function', 'NOD')):
        names = {'N': 'normal', 'O': 'over', 'D': 'down', 'X': 'disable'}
        add(L.COMPOSITE_W, L.COMPOSITE_H, window_pictures(
            'Composite.ini', L.COMPOSITE_W, L.COMPOSITE_H, L.composite_controls(),
            [(s, '%s_%s.jpg' % (page_set, names[s])) for s in states], '', page_set))
    add(L.UPDATE_W, L.UPDATE_H, window_pictures('UpdateDlg.ini', L.UPDATE_W, L.UPDATE_H, L.update_controls(), [
        ('N', 'update_normal.jpg'), ('O', 'update_over.jpg')], ''))
    return jobs


def icons(convert, out):
    def icon(name, bar):
        d = Drawing()
        d.box(2, 2, 60, 60, '#1e2228', radius=12)
        d.box(12, 8, 40, 38, '#3a4250', radius=7)
        d.box(12, 50, 40, 7, bar, radius=3)
        d.text(32, 27, 'O', 24, '#e8edf3', BOLD)
        subprocess.run([convert, '-size', '64x64', 'xc:none', '-draw', d.program(), '-strip',
                        '-define', 'icon:auto-resize=48,32,16', os.path.join(out, name + '.ico')], check=True)
    os.makedirs(out, exist_ok=True)
    for name, bar in (('icon128', '#8a93a0'), ('icon141', CYAN), ('icon142', AMBER)):
        icon(name, bar)


def main():
    convert = sys.argv[1]
    if sys.argv[2] == '--icons':
        icons(convert, sys.argv[3])
        return
    skins = sys.argv[2]
    os.makedirs(skins, exist_ok=True)
    skin_files(skins)
    jobs = [(os.path.join(skins, f), w, h, d) for f, w, h, d in all_pictures() + lighting_bitmaps()]
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        futures = [pool.submit(picture, convert, *job) for job in jobs]
        futures += [pool.submit(mask, convert, os.path.join(skins, m), w, h) for m, w, h in (
            ('main_mask.bmp', L.MAIN_W, L.MAIN_H), ('profile_mask.bmp', L.PROFILE_W, L.PROFILE_H),
            ('composite_mask.bmp', L.COMPOSITE_W, L.COMPOSITE_H), ('update_mask.bmp', L.UPDATE_W, L.UPDATE_H))]
        for future in futures:
            future.result()


if __name__ == '__main__':
    main()
