"""The layout of Ostrak's own skin: every window's size, every control's
rectangle and look, and the texts of the skin files. generate.py draws every
picture and writes every skin file from this description alone.

A control is (key, x, y, w, h, look, label): key is its BUTTONINFO key, look
says how the generator draws it in each state picture, label is the legend
drawn on its faces ('' for none; those buttons draw their own captions)."""

U = 36          # one key unit, pixels
GAP = 4         # space between two keys

# The keyboard's 104 keys: rows of (key code, legend, width in units, height
# in units); a None code is a gap of that width.
MAIN_BLOCK = [
    [(0x001, 'Esc', 1), (None, '', 1), (0x03B, 'F1', 1), (0x03C, 'F2', 1), (0x03D, 'F3', 1), (0x03E, 'F4', 1),
     (None, '', 0.5), (0x03F, 'F5', 1), (0x040, 'F6', 1), (0x041, 'F7', 1), (0x042, 'F8', 1), (None, '', 0.5),
     (0x043, 'F9', 1), (0x044, 'F10', 1), (0x057, 'F11', 1), (0x058, 'F12', 1)],
    None,  # half a row of space under the function keys
    [(0x029, '`', 1), (0x002, '1', 1), (0x003, '2', 1), (0x004, '3', 1), (0x005, '4', 1), (0x006, '5', 1),
     (0x007, '6', 1), (0x008, '7', 1), (0x009, '8', 1), (0x00A, '9', 1), (0x00B, '0', 1), (0x00C, '-', 1),
     (0x00D, '=', 1), (0x00E, 'Back', 2)],
    [(0x00F, 'Tab', 1.5), (0x010, 'Q', 1), (0x011, 'W', 1), (0x012, 'E', 1), (0x013, 'R', 1), (0x014, 'T', 1),
     (0x015, 'Y', 1), (0x016, 'U', 1), (0x017, 'I', 1), (0x018, 'O', 1), (0x019, 'P', 1), (0x01A, '[', 1),
     (0x01B, ']', 1), (0x02B, '\\', 1.5)],
    [(0x03A, 'Caps', 1.75), (0x01E, 'A', 1), (0x01F, 'S', 1), (0x020, 'D', 1), (0x021, 'F', 1), (0x022, 'G', 1),
     (0x023, 'H', 1), (0x024, 'J', 1), (0x025, 'K', 1), (0x026, 'L', 1), (0x027, ';', 1), (0x028, "'", 1),
     (0x01C, 'Enter', 2.25)],
    [(0x02A, 'Shift', 2.25), (0x02C, 'Z', 1), (0x02D, 'X', 1), (0x02E, 'C', 1), (0x02F, 'V', 1), (0x030, 'B', 1),
     (0x031, 'N', 1), (0x032, 'M', 1), (0x033, ',', 1), (0x034, '.', 1), (0x035, '/', 1), (0x036, 'Shift', 2.75)],
    [(0x01D, 'Ctrl', 1.25), (0x15B, 'Win', 1.25), (0x038, 'Alt', 1.25), (0x039, '', 6.25), (0x138, 'Alt', 1.25),
     (0x15C, 'Win', 1.25), (0x15D, 'Menu', 1.25), (0x11D, 'Ctrl', 1.25)],
]
NAV_BLOCK = [
    [(0x137, 'PrtSc', 1), (0x046, 'ScrLk', 1), (0x045, 'Pause', 1)],
    None,
    [(0x152, 'Ins', 1), (0x147, 'Home', 1), (0x149, 'PgUp', 1)],
    [(0x153, 'Del', 1), (0x14F, 'End', 1), (0x151, 'PgDn', 1)],
    [],
    [(None, '', 1), (0x148, '\u2191', 1)],
    [(0x14B, '\u2190', 1), (0x150, '\u2193', 1), (0x14D, '\u2192', 1)],
]
# (code, legend, width, height) for the number pad; tall keys span two rows.
PAD_BLOCK = [
    [],
    None,
    [(0x145, 'Num', 1), (0x135, '/', 1), (0x037, '*', 1), (0x04A, '-', 1)],
    [(0x047, '7', 1), (0x048, '8', 1), (0x049, '9', 1), (0x04E, '+', 1, 2)],
    [(0x04B, '4', 1), (0x04C, '5', 1), (0x04D, '6', 1)],
    [(0x04F, '1', 1), (0x050, '2', 1), (0x051, '3', 1), (0x11C, 'Ent', 1, 2)],
    [(0x052, '0', 2), (0x053, '.', 1)],
]

MAIN_W, MAIN_H = 960, 600
G_X = 24                                    # the two columns of extra keys
BOARD_X = G_X + 2 * U + 18                  # the main block
NAV_X = BOARD_X + 15 * U + 9
PAD_X = NAV_X + 3 * U + 9
BOARD_Y = 70


def slot_key(code):
    """KEY_%03X of the key code's slot: E0 keys take slots 128 and up."""
    slot = code if code < 0x100 else 0x80 + (code - 0x100)
    return 'KEY_%03X' % slot


def grid_keys():
    """(key, x, y, w, h, legend) for the 104 keys."""
    keys = []
    for block_x, block in ((BOARD_X, MAIN_BLOCK), (NAV_X, NAV_BLOCK), (PAD_X, PAD_BLOCK)):
        y = BOARD_Y
        for row in block:
            if row is None:
                y += U // 2
                continue
            x = block_x
            for entry in row:
                code, legend, width = entry[0], entry[1], entry[2]
                height = entry[3] if len(entry) > 3 else 1
                w = int(round(width * U))
                if code is not None:
                    keys.append((slot_key(code), int(x), y, w - GAP, int(height * U) - GAP, legend))
                x += w
            y += U
    return keys


def main_controls():
    c = []
    add = lambda key, x, y, w, h, look, label='': c.append((key, x, y, w, h, look, label))
    # Title bar.
    add('KORVAN_LINK', 16, 8, 124, 30, 'logo', 'OSTRAK')
    add('KORVAN_VER', 150, 15, 170, 18, 'flat')
    for i, (key, glyph) in enumerate((('CONTROL_MENU', 'menu'), ('CONTROL_HELP', 'help'),
                                      ('CONTROL_MINIMIZE', 'minimise'), ('CONTROL_CLOSE', 'close'))):
        add(key, 812 + 34 * i, 10, 30, 24, 'glyph', glyph)
    # The keyboard.
    for key, x, y, w, h, legend in grid_keys():
        add(key, x, y, w, h, 'key', legend)
    rows_y = [BOARD_Y] + [BOARD_Y + U // 2 + U * r for r in range(1, 6)]
    for j in range(9):
        column, row = (0, j) if j < 5 else (1, j - 5)
        add('FUNC_G%d' % (j + 1), G_X + column * U, rows_y[row], U - GAP, U - GAP, 'gkey', 'G%d' % (j + 1))
    # The macro key's caption is the program's own, in the chosen language: no legend under it.
    add('FUNC_MACRO', G_X + U, rows_y[4], U - GAP, U - GAP, 'gkey')
    add('KEY_FN', G_X + U, rows_y[5], U - GAP, U - GAP, 'key', 'Fn')
    # Lock lights and the layer light above the number pad.
    for i, (key, label) in enumerate((('LOCK_NUM', 'Num'), ('LOCK_CAPS', 'Caps'), ('LOCK_SCROLL', 'Scrl'),
                                      ('LOCK_AB', 'G-B'))):
        add(key, PAD_X + i * U, BOARD_Y + 2, U - GAP, U - 8, 'light', label)
    # Profiles, flip and display switch.
    add('FUNC_PROFILES', 24, 326, 150, 44, 'banner')
    for i, key in enumerate(('FUNC_PROFILE1', 'FUNC_PROFILE2', 'FUNC_PROFILE3', 'FUNC_DEFAULT')):
        add(key, 184 + 92 * i, 332, 86, 32, 'button')
    # The flip: its light between two buttons that swap the key sets, the
    # arrows that show which set is in use, and D1 to D6 beside them (F1 to
    # F4 are the other set).
    add('LEFT_ARROW', 556, 336, 24, 24, 'arrow')
    add('FLIP_1', 584, 336, 30, 24, 'toggle', '\u21c5')
    add('FLIP_0', 618, 336, 40, 24, 'light')  # its word comes from the language file
    add('FLIP_2', 662, 336, 30, 24, 'toggle', '\u21c5')
    add('RIGHT_ARROW', 696, 336, 24, 24, 'arrow')
    for i in range(6):
        add('FUNC_D%d' % (i + 1), 728 + 36 * i, 332, U - GAP, U - GAP, 'key', 'D%d' % (i + 1))
    # The colour-key switch is never shown; it keeps a place of its own.
    add('FUNC_SWITCH', 24, 556, 96, 32, 'button')
    # Lighting panel (statics and sliders are drawn by the program on the panel).
    add('CONTROL_UsbStatic', 36, 394, 70, 22, 'text')
    for i in range(4):
        add('FUNC_REPORT%d' % (i + 1), 110 + 54 * i, 392, 50, 26, 'toggle', ('125', '250', '500', '1K')[i])
    add('CONTROL_DengStaPic', 36, 429, 40, 20, 'picture')
    add('CONTROL_DengStatic', 82, 428, 120, 22, 'text')
    add('CONTROL_JDTStatic', 210, 433, 120, 12, 'picture')
    add('CONTROL_XGcombox', 36, 456, 200, 220, 'combo')
    add('CONTROL_LightStatic', 36, 490, 80, 22, 'text')
    add('CONTROL_LightSlider', 120, 491, 200, 20, 'picture')
    add('CONTROL_SpeedStatic', 36, 518, 80, 22, 'text')
    add('CONTROL_SpeedSlider', 120, 519, 200, 20, 'picture')
    col2 = [
        [('CONTROL_BLFXStatic', 90, 'text'), ('CONTROL_BLFXLStaPic', 24, 'picture'), ('CONTROL_BLFXRStaPic', 24, 'picture')],
        [('CONTROL_FYYSStatic', 90, 'text'), ('CONTROL_FYYSButton', 60, 'colour'), ('CONTROL_FYSJSStaPic', 20, 'picture'),
         ('CONTROL_FYSJSStatic', 90, 'text')],
        [('CONTROL_FYCFStatic', 90, 'text'), ('CONTROL_FYdjcfStaPic', 20, 'picture'), ('CONTROL_FYdjcfStatic', 70, 'text'),
         ('CONTROL_FYggcfStaPic', 20, 'picture'), ('CONTROL_FYggcfStatc', 66, 'text')],
        [('CONTROL_HXysStatic', 90, 'text'), ('CONTROL_HXysButton', 60, 'colour'), ('CONTROL_HXsjsStaPic', 20, 'picture'),
         ('CONTROL_HXsjsStatic', 90, 'text')],
        [('CONTROL_JTysStatic', 90, 'text'), ('CONTROL_JTysButton', 60, 'colour')],
    ]
    col3 = [
        [('CONTROL_USERysStatic', 90, 'text'), ('CONTROL_USERysButton', 56, 'colour'), ('CONTROL_USERjsStatic', 74, 'text'),
         ('CONTROL_USERjsButton', 48, 'colour')],
        [('CONTROL_USERgjStatic', 90, 'text'), ('CONTROL_USERgjStaPic1', 24, 'picture'),
         ('CONTROL_USERgjStaPic2', 24, 'picture'), ('CONTROL_USERgj2Static', 120, 'text')],
        [('CONTROL_TSysStatic', 90, 'text'), ('CONTROL_TSysButton', 60, 'colour'), ('CONTROL_TSsjsStaPic', 20, 'picture'),
         ('CONTROL_TSsjsStatic', 90, 'text')],
        [('CONTROL_CDysStatic', 90, 'text'), ('CONTROL_CDysButton', 60, 'colour'), ('CONTROL_CDsjsStaPic', 20, 'picture'),
         ('CONTROL_CDsjsStatic', 90, 'text')],
    ]
    rows_y = (394, 428, 458, 490, 518)
    for x0, column in ((350, col2), (650, col3)):
        for row_y, row in zip(rows_y, column):
            x = x0
            for key, w, look in row:
                h = {'text': 22, 'colour': 24}.get(look, 24 if w == 24 else 20)
                add(key, x, row_y + (22 - h) // 2, w, h, look)
                x += w + 6
    # Bottom row.
    for i, key in enumerate(('CONTROL_OK', 'CONTROL_CANCEL', 'CONTROL2_APPLY')):
        add(key, 636 + 104 * i, 556, 96, 32, 'button')
    return c


# Controls the program never shows: they keep a place, but nothing of them is
# drawn on the background.
NEVER_SHOWN = {'FUNC_SWITCH'}


# Alternate positions of the lighting panel: the same places as the plain keys.
MAIN_ALTERNATES = {
    'CONTROL_SpeedStatic2': 'CONTROL_SpeedStatic', 'CONTROL_SpeedSlider2': 'CONTROL_SpeedSlider',
    'CONTROL_BLFXStatic2': 'CONTROL_BLFXStatic', 'CONTROL_BLFXLStaPic2': 'CONTROL_BLFXLStaPic',
    'CONTROL_BLFXRStaPic2': 'CONTROL_BLFXRStaPic',
}

# Arrow.jpg: the arrows' faces, 24 x 24 each, at these origins (BUTTONINFO2).
ARROW_ORIGINS = {
    'UP_ARROW_LEFT1': (0, 0), 'UP_ARROW_LEFT2': (24, 0), 'DOWN_ARROW_LEFT1': (48, 0), 'DOWN_ARROW_LEFT2': (72, 0),
    'UP_ARROW_RIGHT1': (0, 24), 'UP_ARROW_RIGHT2': (24, 24), 'DOWN_ARROW_RIGHT1': (48, 24), 'DOWN_ARROW_RIGHT2': (72, 24),
}

# The panel's frames drawn on the background: (x, y, w, h, title).
MAIN_PANELS = [(G_X - 8, 56, MAIN_W - 2 * (G_X - 8), 262, ''), (G_X - 8, 380, MAIN_W - 2 * (G_X - 8), 162, '')]

PROFILE_W, PROFILE_H = 460, 330
def profile_controls():
    c = [('PROGRAM_LIST', 20, 56, 420, 200, 'list', '')]
    # Their captions come from the language file.
    buttons = ('FUNC_ADD', 'FUNC_LOAD', 'FUNC_DELETE', 'CONTROL_OK', 'CONTROL_CANCEL', 'CONTROL2_APPLY')
    for i, key in enumerate(buttons):
        c.append((key, 20 + 72 * i, 272, 66, 30, 'button', ''))
    return c


COMPOSITE_W, COMPOSITE_H = 600, 440
# Pages: 1 single key, 2 macro, 3 multimedia, 4 function; their page area.
PAGE_X, PAGE_Y = 20, 150
def composite_controls():
    # The pages share one area, so their lists and fields draw on the plain background.
    c = []
    add = lambda key, x, y, w, h, look, label='': c.append((key, x, y, w, h, look, label))
    add('CONTROL_TITLE', 20, 12, 300, 30, 'banner')
    add('CONTROL_OSK', 510, 12, 30, 26, 'glyph', 'keyboard')
    add('CONTROL_CLEAR', 548, 12, 30, 26, 'glyph', 'clear')
    add('KEY_SETTING', 20, 50, 560, 20, 'text')
    for i, key in enumerate(('CONTROL_KEY', 'CONTROL_MACRO', 'CONTROL_MEDIA', 'CONTROL_FUNCTION')):
        add(key, 20 + 142 * i, 78, 134, 30, 'tab', ('key', 'macro', 'media', 'function')[i])
    add('CONTROL_MASK', 20, 116, 560, 26, 'mask')
    # Single-key page.
    add('TISHI_SINGLE_STATIC', PAGE_X, PAGE_Y, 300, 22, 'text')
    add('FUNC_KEY_INPUT', PAGE_X, PAGE_Y + 30, 240, 26, 'text')
    # Macro page.
    add('MARCO_NAME_SETTING', PAGE_X, PAGE_Y, 180, 22, 'text')
    add('FUNC_MACRO_LIST', PAGE_X, PAGE_Y + 26, 180, 180, 'text')
    add('FUNC_MACRO_LIST2', PAGE_X + 190, PAGE_Y + 26, 250, 180, 'text')
    for i, (key, glyph) in enumerate((('FUNC_MACRO_ADD', 'plus'), ('FUNC_MACRO_DELETE', 'minus'),
                                      ('FUNC_MACRO_UP_TOP', 'top'), ('FUNC_MACRO_UP', 'up'), ('FUNC_MACRO_DOWN', 'down'),
                                      ('FUNC_MACRO_DOWN_BOTTOM', 'bottom'), ('FUNC_MACRO_DELETE2', 'cross'),
                                      ('FUNC_MACRO_CLEAR', 'clear'), ('FUNC_MACRO_RECORD', 'record'))):
        add(key, PAGE_X + 450 + (i % 2) * 58, PAGE_Y + 26 + (i // 2) * 34, 52, 28, 'glyph', glyph)
    add('FUNC_MACRO_RECORD_DELAY', PAGE_X, PAGE_Y + 212, 20, 20, 'check')
    add('FUNC_MACRO_RECORD_DELAY2', PAGE_X + 24, PAGE_Y + 212, 156, 20, 'text')
    add('FUNC_MACRO_CYCLES', PAGE_X + 290, PAGE_Y + 210, 60, 24, 'text')
    # Multimedia and function pages.
    add('MEDIA_SETTING_TISHI', PAGE_X, PAGE_Y, 300, 22, 'text')
    add('FUNC_MEDIA_SELECT', PAGE_X, PAGE_Y + 30, 260, 240, 'text')
    add('FUNCTION_KEY_SETTING_TISHI', PAGE_X, PAGE_Y, 300, 22, 'text')
    add('FUNC_FUNCTION_SELECT', PAGE_X, PAGE_Y + 30, 260, 240, 'text')
    # Shown on every page.
    add('FUNC_MACRO_CYCLES_PROMPT', PAGE_X + 190, PAGE_Y + 212, 96, 20, 'text')
    # Apply is a picture; the captions of OK and Cancel come from the language file.
    add('CONTROL2_APPLY', 276, 396, 96, 30, 'button', '\u2713')
    add('CONTROL_OK', 380, 396, 96, 30, 'button')
    add('CONTROL_CANCEL', 484, 396, 96, 30, 'button')
    return c


UPDATE_W, UPDATE_H = 460, 190
def update_controls():
    c = [('CONTROL_UPStatic', 20, 60, 420, 24, 'field', ''), ('CONTROL_UPCombox', 20, 92, 420, 120, 'text', '')]  # the combo box is hidden
    # Their captions come from the language file.
    for i, key in enumerate(('CONTROL_OPENButton', 'CONTROL_UPButton', 'CONTROL_CUPButton', 'CONTROL_BACKUPButton')):
        c.append((key, 20 + 108 * i, 136, 96, 32, 'button', ''))
    return c


# Controls whose height is their drop-down list's: the closed box is this tall.
CLOSED_COMBO_HEIGHT = 24

# Skin-file texts of the lighting panel: language 0 (Chinese), language 1 (English).
CAPTIONS = [
    ('Usb', '回报率', 'Report rate'), ('Deng', '灯光开关', 'Lighting'), ('Light', '亮度', 'Brightness'),
    ('FX', '方向', 'Direction'), ('Speed', '速度', 'Speed'), ('SingleColor', '单色', 'Single colour'),
    ('Color', '颜色', 'Colour'), ('Color1', '随机色', 'Random'), ('JColor', '静态颜色', 'Static colour'),
    ('QCFY', '反应颜色', 'Reactive colour'), ('CF', '触发方式', 'Trigger'), ('DJCF', '单键', 'Single key'),
    ('GGCF', '光柱', 'Column'), ('QCHX', '呼吸颜色', 'Breathing colour'), ('Tool', '按键颜色', 'Key colour'),
    ('Tool2', '背景色', 'Background'), ('QCTS', '拖尾颜色', 'Trail colour'), ('QCCD', '彩带颜色', 'Ribbon colour'),
]
EFFECTS = [
    (1, '波浪', 'Wave'), (2, '光谱', 'Spectrum'), (3, '彩虹', 'Rainbow'), (4, '反应', 'Reactive'),
    (5, '自定义', 'Custom'), (6, '涟漪', 'Ripple'), (7, '雨滴', 'Raindrops'), (8, '蛇形', 'Snake'),
    (9, '静态', 'Static'), (10, '十字', 'Cross'), (11, '呼吸', 'Breathing'), (12, '拖尾', 'Trail'),
    (13, '霓虹', 'Neon'), (14, '彩带', 'Ribbon'),
]
