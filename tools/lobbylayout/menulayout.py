#!/usr/bin/env python3
"""Writes the lobby menu layout "menu_root.xml" for the 800 x 480 screen.

    menulayout.py <output.xml>

Every page, widget name and UI event that the lobby menu state looks up is laid out
here; the pages that are not built yet still carry their names and events, so that
later work only adds. Positions are given in pixels of the 800 x 480 screen, relative
to the parent element, and written as fractions of the screen.
"""
import sys
from xml.sax.saxutils import quoteattr

W, H = 800.0, 480.0


class E:
    def __init__(self, kind, name=None, x=0, y=0, w=800, h=480, display=None, **attrs):
        self.kind, self.name = kind, name
        self.x, self.y, self.w, self.h = x, y, w, h
        self.display = display
        self.attrs = attrs          # extra child nodes: tag -> dict of attributes
        self.events = []            # (event, action)
        self.children = []
        self.extra = []             # raw child lines

    def add(self, *children):
        self.children.extend(children)
        return self

    def on(self, event, action):
        self.events.append((event, action))
        return self

    def xml(self, depth):
        pad = '    ' * depth
        head = '<element type=%s' % quoteattr(self.kind)
        if self.name:
            head += ' name=%s' % quoteattr(self.name)
        if self.display is not None:
            head += ' display="%d"' % self.display
        lines = [pad + head + '>']
        inner = pad + '    '
        if self.x or self.y:
            lines.append(inner + '<position x="%.5g" y="%.5g"/>' % (self.x / W, self.y / H))
        lines.append(inner + '<size w="%.5g" h="%.5g"/>' % (self.w / W, self.h / H))
        for tag, values in self.attrs.items():
            a = ''.join(' %s=%s' % (k.replace('_', '-') if k in ('max_value', 'min_value') else k,
                                    quoteattr(str(v))) for k, v in values.items())
            lines.append(inner + '<%s%s/>' % (tag, a))
        lines.extend(inner + raw for raw in self.extra)
        if self.events:
            lines.append(inner + '<events>')
            for event, action in self.events:
                lines.append(inner + '    <%s action=%s/>' % (event, quoteattr(action)))
            lines.append(inner + '</events>')
        for c in self.children:
            lines.extend(c.xml(depth + 1))
        lines.append(pad + '</element>')
        return lines


# ---- building blocks -----------------------------------------------------------------

def field(name, x, y, w, h, kind='input'):
    """A text input on a white box: the box and the input, to add side by side."""
    return [panel(None, x, y, w, h, 'ffffffff', 'fff4f8fc'), text(name, x + 6, y, w - 12, h, value='', kind=kind)]


def text(name, x, y, w, h, value=None, local=None, align='left-middle', color='text', kind=None,
         multiline=False, font='brix_text', **kw):
    t = {'font': font, 'color': color, 'align': align}
    if multiline:
        t['multiline'] = 1
    if value is not None:
        t['value'] = value
    if local is not None:
        t['local'] = local
    if kind:
        t['type'] = kind
    return E('text', name, x, y, w, h, text=t, **kw)


def panel(name, x, y, w, h, c1='fff4f4f0', c2='ffdde6ee', **kw):
    return E('gradient', name, x, y, w, h, dir={'value': 'vertical'}, colors={'color1': c1, 'color2': c2}, **kw)


def button(name, x, y, w, h, label=None, local=None, action=None, image='lobby_button.png', **kw):
    b = E('button', name, x, y, w, h, image={'path': image}, **kw)
    if label is not None or local is not None:
        b.add(text(None, 0, 0, w, h, value=label, local=local, align='center-middle', color='text_light'))
    if action:
        b.on('onclick', action)
    return b


def page_button(name, x, y, w, h, label, target, local=None, view='<menu_root'):
    b = E('page_button', name, x, y, w, h, image={'path': 'lobby_button.png'},
          target={'name': view, 'page': target})
    b.add(text(None, 0, 0, w, h, value=label, local=local, align='center-middle', color='text_light'))
    return b


def toggle(name, x, y, label, local, init, action):
    row = E('widget', None, x, y, 360, 44)
    row.add(text(None, 0, 0, 240, 44, value=label, local=local))
    t = E('toggle_button', name, 260, 6, 90, 32).on('onshow', init).on('onclick', action)
    t.add(panel(None, 0, 0, 90, 32, 'ffb0b0b0', 'ff909090'), panel(None, 0, 0, 90, 32, 'ff3aa0f0', 'ff2a7fd4'))
    t.children[1].add(text(None, 0, 0, 90, 32, value='ON', align='center-middle', color='text_light'))
    t.children[0].add(text(None, 0, 0, 90, 32, value='OFF', align='center-middle'))
    row.add(t)
    return row


def slider(name, x, y, label, local, init, action):
    row = E('widget', None, x, y, 360, 44)
    row.add(text(None, 0, 0, 150, 44, value=label, local=local))   # up to the track
    row.add(panel(None, 150, 19, 200, 6, 'ff909090', 'ffb0b0b0'))
    s = E('slider', name, 150, 10, 200, 24).on('onshow', init).on('onvaluechanged', action)
    s.add(panel('knob_template', 0, 0, 24, 24, 'ff3aa0f0', 'ff2a7fd4'))
    row.add(s)
    return row


def page(name, title=None, local=None, back=True):
    p = E('widget', name, 0, 0, 800, 480)
    p.add(panel(None, 0, 0, 800, 480))
    if title is not None or local is not None:
        p.add(text(name + '_title', 20, 8, 560, 44, value=title, local=local, color='accent', font='brix_title'))
    if back:
        p.add(page_button('button_back', 680, 8, 100, 40, 'Back', ':back'))
    return p


def dialog_page(name, title, body_name, ok_label='OK', ok_action='dialog_button'):
    p = E('widget', name, 0, 0, 800, 480)
    p.add(panel(None, 0, 0, 800, 480, '80000000', '80000000'))
    box = panel(None, 160, 100, 480, 280, 'ffffffff', 'ffe8eef4')
    box.add(text(None, 20, 10, 440, 44, value=title, color='accent', font='brix_title'))
    box.add(text(body_name, 20, 60, 440, 140, value='', align='left', multiline=True))
    box.add(page_button('button_ok', 180, 220, 120, 44, ok_label, ':back'))
    p.add(box)
    return p


def list_(name, x, y, w, h, row, show=None, load=None, unload=None, batch=None, group=None, kind='infinite_list'):
    l = E(kind, name, x, y, w, h)
    if show:
        l.on('onshow', show)
    if load:
        l.on('onloaditem', load)
    if unload:
        l.on('onforgetitem', unload)
    if batch:
        l.on('onloaditembatch', batch)
    if group:
        l.on('onloadgroup', group[0])
        l.add(group[1])
    l.add(row)
    return l


# ---- pages ---------------------------------------------------------------------------

def login_pages():
    root = page('loginscreen_root', 'Welcome', back=False)
    root.add(text(None, 40, 70, 200, 40, value='User name'))
    box, login = field('user_login', 240, 70, 320, 40)
    root.add(box, login.on('onshow', 'init_loginname').on('onchanged', 'username_changed'))
    root.add(text(None, 40, 120, 200, 40, value='Password'))
    root.add(*field('user_password', 240, 120, 320, 40, 'password'))
    auto = E('toggle_button', 'user_autologin', 240, 170, 40, 32).on('onclick', 'autologin_toggled')
    auto.add(panel(None, 0, 0, 40, 32, 'ffb0b0b0', 'ff909090'), panel(None, 0, 0, 40, 32, 'ff3aa0f0', 'ff2a7fd4'))
    root.add(auto, text(None, 290, 170, 260, 32, value='Log in automatically'))
    root.add(button('login_button', 240, 220, 200, 48, 'Log in', 25, 'login_tolvane'))
    root.add(page_button('register_button', 460, 220, 200, 48, 'Register', 'loginscreen_playername', 27))
    choices = E('widget', 'loginscreen_choices', 40, 290, 720, 60)
    choices.add(button('guest_login_button', 0, 0, 230, 56, 'Play as a guest', 28, 'guest_login'))
    choices.add(page_button('google_button', 245, 0, 230, 56, 'Web account', 'loginscreen_google'))
    choices.children[-1].on('onclick', 'check_tos')
    choices.add(page_button('facebook_button', 490, 0, 230, 56, 'Other account', 'loginscreen_facebook'))
    choices.children[-1].on('onclick', 'check_tos')
    root.add(choices)
    # Play without a server: closes the menu onto the game's own menu.
    root.add(button('offline_button', 40, 380, 330, 60, 'Play offline', None, 'thank_you_close'))
    root.add(button('exit-button', 430, 380, 330, 60, 'Quit', None, 'exit_app'))
    root.on('onshow', 'login_show')

    error = page('loginscreen_error', None)
    error.add(text('loginerror_title', 40, 60, 720, 50, value='', color='warning'))
    error.add(text('loginerror_message', 40, 120, 720, 120, value='', align='left', multiline=True))
    error.add(page_button('button_recover', 40, 300, 220, 56, 'Recover account', 'loginscreen_email'))
    upd = E('web_button', 'button_update', 290, 300, 220, 56, image={'path': 'lobby_button.png'})
    upd.add(text(None, 0, 0, 220, 56, value='Update', local=10, align='center-middle', color='text_light'))
    error.add(upd)
    retry = page_button('button_tryagain', 540, 300, 220, 56, '', ':back:loginscreen_root')
    retry.children[0].name = 'label_tryagain'
    retry.children[0].attrs['text']['local'] = 11
    error.add(retry)

    name_root = E('widget', 'page_root', 0, 0, 800, 480)
    playername = page('loginscreen_playername', 'Choose a player name').on('onshow', 'playername_show')
    box, name = field('input_playername', 40, 80, 400, 44)
    playername.add(box, name.on('onchanged', 'username_changed').on('onshow', 'init_registername'))
    playername.add(button('validate_button', 460, 80, 200, 44, 'Check', None, 'validate_user'))
    playername.add(text('username_loading', 40, 130, 400, 30, value='Checking...', display=0))
    playername.add(text('text_usernametaken', 40, 130, 500, 30, value='That name is taken.', color='warning', display=0))
    tos = E('widget', 'tos_elements', 40, 180, 720, 200).on('onshow', 'tos_show')
    tos.add(text(None, 0, 0, 720, 100, value='By playing you accept the terms of the service.', align='left'))
    tos.add(page_button('button_agree', 0, 120, 200, 50, 'I agree', 'loginscreen_confirm'))
    playername.add(tos)
    name_root.add(playername)

    confirm = page('loginscreen_confirm', 'Confirm').on('onshow', 'confirm_show')
    confirm.add(page_button('button_agree', 300, 200, 200, 56, 'Continue', 'loginscreen_email'))
    email = page('loginscreen_email', 'Your e-mail')
    email.add(text(None, 40, 80, 200, 44, value='E-mail'),
              *field('input_email', 240, 80, 400, 44))
    email.add(text(None, 40, 140, 200, 44, value='Password'),
              *field('input_password', 240, 140, 400, 44, 'password'))
    email.add(button('register_done', 240, 220, 200, 56, 'Register', 27, 'validate_email'))
    thank = page('loginscreen_thank', 'Thank you', back=False)
    thank.add(text(None, 40, 100, 720, 80, value='Your account is ready.'))
    thank.add(button('thank_close', 300, 300, 200, 56, 'Close', 209, 'thank_you_close'))
    conflict = page('loginscreen_nameconflict', 'Name in use')
    conflict.add(text(None, 40, 100, 720, 80, value='Another player already uses that name.'))
    google = page('loginscreen_google', 'Web account').on('onshow', 'google_show')
    web = E('web_view', 'login_google', 20, 60, 760, 400).on('onchanged', 'google_cookie').on('onfinished', 'google_loaded')
    google.add(web)
    facebook = page('loginscreen_facebook', 'Other account')
    facebook.add(text(None, 40, 100, 720, 80, value='This kind of account is not offered here.'))
    loading = page('loading_dialog', None, back=False)
    loading.add(text('text_title', 100, 150, 600, 50, value='', align='center-middle', color='accent',
                     font='brix_title'))
    loading.add(text('text_description', 100, 210, 600, 50, value='', align='center-middle'))
    loading.add(button('cancel_relogin', 300, 300, 200, 56, 'Cancel', 2, 'cancel_autorelogin'))
    return [root, error, name_root, confirm, email, thank, conflict, google, facebook, loading]


def language_list(name):
    row = E('widget', 'item_template', 0, 0, 600, 52)
    row.add(text('language-name', 20, 0, 440, 52, value=''))
    sel = E('button', 'select-button', 480, 8, 100, 36).on('onclick', 'select_language_item')
    sel.add(panel('selected', 0, 0, 100, 36, 'ff3aa0f0', 'ff2a7fd4', display=0),
            panel('unselected', 0, 0, 100, 36, 'ffd0d0d0', 'ffb0b0b0'))
    row.add(sel)
    return list_(name, 100, 70, 600, 300, row, show='show_language_chooser', load='load_language_item',
                 unload='unload_language_item')


def start_and_settings_pages():
    chooser = page('startup_language_chooser', 'Choose your language', back=False)
    chooser.add(language_list('language_list'))
    chooser.add(button('choose_button', 300, 390, 200, 56, 'OK', 0, 'choose_language'))
    chooser.add(button('exit-button', 560, 390, 200, 56, 'Quit', None, 'exit_app'))

    start = page('startscreen_root', 'Lobby', back=False)
    outside = E('widget', 'startscreen', 0, 60, 800, 420)
    outside.add(page_button('players_button', 40, 20, 220, 70, 'Players', 'players_root', 22))
    outside.children[-1].on('onclick', 'show_players_root')
    outside.add(page_button('shop_button', 290, 20, 220, 70, 'Shop', 'shop_root', 21))
    outside.children[-1].on('onclick', 'show_shop')
    outside.add(page_button('me_button', 540, 20, 220, 70, 'Me', 'me_root', 24))
    outside.add(page_button('settings_button', 40, 120, 220, 70, 'Settings', 'settings_root', 14))
    outside.add(button('quickmatch_button', 290, 120, 220, 70, 'Find a match', 45, 'send_challenge'))
    outside.add(page_button('about_button', 540, 120, 220, 70, 'About', 'about_root'))
    more = E('web_button', 'button_moregames', 40, 220, 220, 100, image={'path': 'lobby_panel.png'})
    outside.add(more)
    tour = E('web_button', 'button-tournaments', 290, 220, 470, 100, image={'path': 'lobby_panel.png'}, display=0)
    tour.add(E('image', 'image-tournament', 10, 10, 80, 80), text('label-tournament', 100, 10, 360, 80, value=''))
    outside.add(tour)
    outside.add(button('exit-button', 540, 340, 220, 60, 'Quit', None, 'exit_app'))
    inside = E('widget', 'startscreen_ingame', 0, 60, 800, 420, display=0)
    inside.add(page_button('chat_button', 40, 20, 220, 70, 'Chat', 'chat_root', 23))
    inside.children[-1].on('onclick', 'start_change_page_chat')
    inside.add(button('back_to_game', 290, 20, 220, 70, 'Back to game', None, 'toggle_brix_menu'))
    start.add(outside, inside)

    about = page('about_root', 'About')
    about.add(text('about_text', 40, 80, 720, 300, value='', align='left', multiline=True).on('onshow', 'about_gameinfoonshow'))

    settings = page('settings_root', 'Settings', 14)
    settings.add(toggle('setting_mute', 40, 70, 'Sounds', 16, 'init_sounds', 'toggle_sounds'))
    settings.add(toggle('setting_sound_effects', 40, 120, 'Sound effects', None, 'init_sound_effects', 'toggle_sound_effects'))
    settings.add(toggle('setting_music', 40, 170, 'Music', 17, 'init_music', 'toggle_music'))
    settings.add(toggle('setting_vibration', 40, 220, 'Vibration', 19, 'init_vibration', 'toggle_vibration'))
    settings.add(toggle('setting_notifications', 40, 270, 'Notifications', None, 'init_notification_filter_all',
                        'toggle_notifications_all'))
    settings.add(slider('setting_sounds_volume', 420, 70, 'Sound volume', None, 'init_sounds_slider', 'sounds_slider_changed'))
    settings.add(slider('setting_music_volume', 420, 120, 'Music volume', None, 'init_music_slider', 'music_slider_changed'))
    settings.add(text(None, 420, 180, 140, 44, value='Language', local=15))
    settings.add(text('settings_language_label', 570, 180, 200, 44, value='').on('onshow', 'update_settings_language_label'))
    settings.add(page_button('language_button', 570, 230, 200, 48, 'Change', 'settings_language'))
    settings.children[-1].on('onclick', 'get_languages')

    language = page('settings_language', 'Language', 15)
    language.add(language_list('settings_language_list'))
    language.add(button('choose_button', 300, 390, 200, 56, 'OK', 0, 'choose_language'))
    return [chooser, start, about, settings, language]


def player_row(prefix):
    row = E('expand_layout', 'item_template', 0, 0, 760, 64)
    row.extra += ['<height value="0.1333"/>', '<height value="0.3333"/>', '<height value="0.5"/>']
    small = E('widget', 'list_item_small', 0, 0, 760, 64)
    small.add(E('image', 'player_avatar_small', 4, 4, 56, 56, image={'path': 'avatar-icon.png'}))
    small.add(text('player_name', 70, 0, 300, 64, value=''), text('player_status', 380, 0, 120, 64, value=''),
              text('player_score', 510, 0, 100, 64, value=''), text('player_rank', 620, 0, 130, 64, value=''))
    small.add(button('expand-button', 0, 0, 600, 64, None, None, 'expand_list_item', image='lobby_clear.png'))
    small.add(button('challenge_button', 610, 8, 140, 48, 'Challenge', None, 'send_challenge', display=0))
    arrow = E('toggle_button', 'arrow', 740, 0, 20, 20)
    arrow.add(panel(None, 0, 0, 20, 20, 'ffb0b0b0', 'ff909090'), panel(None, 0, 0, 20, 20, 'ff3aa0f0', 'ff2a7fd4'))
    small.add(arrow)
    big = E('widget', 'list_item_big', 0, 0, 760, 240, display=0)
    big.add(E('image', 'player_avatar', 4, 4, 100, 100, image={'path': 'avatar-icon.png'}))
    big.add(text('player_name', 120, 4, 300, 28, value=''), text('player_status', 430, 4, 120, 28, value='online'),
            text('player_score', 560, 4, 190, 28, value=''))
    for i, field in enumerate(['player_location', 'player_comment', 'player_followers', 'player_wins',
                               'player_wins_percent', 'my_losses', 'my_losses_percent', 'my_ties', 'my_ties_percent']):
        big.add(text(field, 120 + (i % 3) * 210, 34 + (i // 3) * 30, 200, 28, value=''))
    invite = E('toggle_button', 'player_invite_button', 4, 110, 100, 28)
    invite.add(panel(None, 0, 0, 100, 28, 'ffd0d0d0', 'ffb0b0b0'), panel(None, 0, 0, 100, 28, 'ff3aa0f0', 'ff2a7fd4'))
    big.add(invite)
    big.add(button('more_button', 4, 140, 100, 40, '...', None, 'expand_nastybuttons'))
    grid = E('widget', 'button-grid', 120, 130, 640, 60)
    grid.add(button('button_challenge', 0, 0, 150, 56, None, None, 'send_challenge'))
    grid.children[-1].add(text('text_challenge', 0, 0, 150, 56, value='Challenge', align='center-middle', color='text_light'))
    grid.add(button('button_follow', 160, 0, 150, 56, None, None, 'follow'))
    grid.children[-1].add(text('text_follow', 0, 0, 150, 56, value='Follow', align='center-middle', color='text_light'))
    grid.add(button('button_unfollow', 160, 0, 150, 56, None, None, 'unfollow', display=0))
    grid.children[-1].add(text('text_unfollow', 0, 0, 150, 56, value='Unfollow', align='center-middle', color='text_light'))
    grid.add(button('button_gift', 320, 0, 150, 56, None, None, 'buy_player_gift'))
    grid.children[-1].add(text('text_gift', 0, 0, 150, 56, value='Gift', align='center-middle', color='text_light'))
    block = E('toggle_button', 'button_block', 480, 0, 150, 56).on('onclick', 'block')
    block.add(panel(None, 0, 0, 150, 56, 'ffb0b0b0', 'ff909090'), panel(None, 0, 0, 150, 56, 'ffd04040', 'ffa02020'))
    block.children[0].add(text(None, 0, 0, 150, 56, value='Block', align='center-middle'))
    block.children[1].add(text(None, 0, 0, 150, 56, value='Blocked', align='center-middle', color='text_light'))
    grid.add(block)
    big.add(grid)
    nasty = E('widget', 'playerlist-item-nasty-buttons', 120, 190, 640, 40, display=0)
    nasty.add(E('web_button', 'button-report', 0, 0, 150, 36, image={'path': 'lobby_button.png'},
                target={'url': 'https://' + 'example.invalid/report?player=PLAYER_ID'}))
    nasty.add(button('player_details_button', 160, 0, 150, 36, 'Details', None, 'player_details'))
    nasty.add(button('buddy_button', 0, 30, 50, 28, '+', None, 'action_player_buddy', display=0))
    nasty.add(button('rival_button', 55, 30, 50, 28, '-', None, 'action_player_rival', display=0))
    nasty.add(button('accept_buddy_button', 0, 30, 50, 28, 'Yes', 6, 'action_accept_buddy', display=0))
    nasty.add(button('reject_buddy_button', 55, 30, 50, 28, 'No', 7, 'action_reject_buddy', display=0))
    big.add(nasty)
    row.add(small, big)
    row.on('onendexpand', 'end_expand_list_item')
    return row


def group_row():
    g = E('widget', 'group_template', 0, 0, 760, 36)
    g.add(panel(None, 0, 0, 760, 36, 'ffdde6ee', 'ffc8d4e0'), text('label', 10, 0, 740, 36, value=''))
    return g


def players_and_me_pages():
    players = page('players_root', 'Players', 22).on('onshow', 'show_players_root')
    box, search = field('search_text', 20, 56, 300, 40)
    players.add(box, search.on('onchanged', 'filter_players'))
    tabs = '<players_root//players_content_root'
    players.add(page_button('global_tab', 340, 56, 150, 40, 'Everyone', 'global_page', view=tabs))
    players.add(page_button('follow_tab', 500, 56, 150, 40, 'Following', 'follow_page', view=tabs))
    content = E('page_layout', 'players_content_root', 0, 100, 800, 380)
    content.extra.append('<history max-size="4"/>')
    def marks(p):
        p.add(text('no_results', 200, 150, 400, 40, value='No players found.', align='center-middle', display=0))
        p.add(text('loading', 200, 150, 400, 40, value='Loading...', align='center-middle', display=0))
        return p

    glob = E('widget', 'global_page', 0, 0, 800, 380)
    glob.add(list_('playerlist_global', 20, 0, 760, 380, player_row('global'), show='show_playerlist_items',
                   load='load_playerlist_item', unload='unload_playerlist_item', batch='load_playerlist_item_batch',
                   group=('load_playerlist_group', group_row())))
    follow = E('widget', 'follow_page', 0, 0, 800, 380)
    follow.add(list_('playerlist_follow', 20, 0, 760, 380, player_row('follow'), show='show_follow_items',
                     load='load_follow_item', unload='unload_follow_item', batch='load_follow_item_batch',
                     group=('load_follow_group', group_row())))
    content.add(marks(glob), marks(follow))
    players.add(content)

    me = page('me_root', 'Me', 24)
    row = E('widget', 'item_template', 0, 0, 760, 250)
    row.add(E('image', 'player_avatar', 0, 0, 80, 80, image={'path': 'avatar-icon.png'}))
    row.add(text('player_name', 90, 0, 300, 40, value=''), text('player_rank', 90, 40, 300, 40, value=''))
    row.add(text(None, 420, 0, 120, 40, value='Coins'), text('brixcoins_amount', 540, 0, 200, 40, value='0'))
    row.add(button('refresh_button', 600, 40, 150, 40, 'Refresh', None, 'refresh_self'))
    for n in range(1, 7):
        y = 84 + (n - 1) * 27
        row.add(text('my_result_%d' % n, 0, y, 120, 26, value=''), text('my_points_%d' % n, 130, y, 80, 26, value=''),
                text('my_opponent_%d' % n, 220, y, 240, 26, value=''))
    tc = E('widget', 'tournament_container', 480, 84, 280, 160, display=0)
    sr = E('widget', 'tournament_scores_root', 0, 0, 280, 160)
    grid = E('grid_layout', 'tournament_scores_list', 0, 0, 280, 160)
    score = E('widget', 'score_item', 0, 0, 280, 26, display=0)   # the template of each score's row
    score.add(text('score_name', 0, 0, 200, 26, value=''), text('score_number', 200, 0, 80, 26, value=''))
    grid.add(score)
    sr.add(grid)
    tc.add(sr)
    row.add(tc)
    me.add(list_('list_me', 20, 56, 760, 250, row, show='show_me', load='load_self', unload='unload_self'))
    for i in range(1, 6):
        y = 310 + (i - 1) * 32
        me.add(E('image', 'my_achievement_image_%d' % i, 20, y, 30, 30))
        me.add(text('my_achievement_%d' % i, 60, y, 700, 30, value=''))
    return [players, me]


def shop_row(list_name):
    row = E('expand_layout', 'item_template', 0, 0, 760, 80)
    row.extra += ['<height value="0.1667"/>', '<height value="0.5"/>']
    small = E('widget', 'list_item_small', 0, 0, 760, 80)
    def use_toggle(x, y):
        t = E('toggle_button', 'enable-item', x, y, 140, 40).on('onclick', 'enable_item')
        t.add(panel(None, 0, 0, 140, 40, 'ffb0b0b0', 'ff909090'), panel(None, 0, 0, 140, 40, 'ff3aa0f0', 'ff2a7fd4'))
        t.children[0].add(text(None, 0, 0, 140, 40, value='Use', align='center-middle'))
        t.children[1].add(text(None, 0, 0, 140, 40, value='In use', align='center-middle', color='text_light'))
        return t

    icon = E('image', 'icon-item', 4, 4, 72, 72)
    icon.add(text('icon_loading', 0, 0, 72, 72, value='...', align='center-middle'))
    small.add(icon, text('item_name', 90, 0, 300, 40, value=''),
              text('item-name', 90, 40, 300, 40, value=''), text('price-value', 400, 0, 120, 80, value=''),
              text('value_pcs', 520, 0, 80, 80, value=''))
    small.add(button('expand-button', 0, 0, 600, 80, None, None, 'expand_shop_item', image='lobby_clear.png'))
    small.add(use_toggle(610, 20))
    big = E('widget', 'list_item_big', 0, 0, 760, 240, display=0)
    bigicon = E('image', 'icon-item', 4, 4, 72, 72)
    bigicon.add(text('icon_loading', 0, 0, 72, 72, value='...', align='center-middle'))
    big.add(bigicon, text('item_name', 90, 4, 300, 36, value=''), text('item_descshort', 90, 40, 300, 36, value=''),
            text('item_price', 400, 4, 120, 36, value=''), text('gift_price', 520, 4, 120, 36, value=''),
            text('info_message', 640, 4, 110, 36, value=''))
    big.add(text('info_descfull', 90, 80, 500, 80, value='', align='left', multiline=True))
    big.add(E('image', 'large-icon-item', 600, 80, 150, 150, display=0).on('onshow', 'shop_item_show_large_icon')
            .on('onhide', 'shop_item_hide_large_icon'))
    grid = E('widget', 'button-grid', 0, 170, 600, 60)
    grid.add(use_toggle(0, 8))
    grid.add(button('buy-button', 150, 0, 140, 56, None, None, 'buy_item'))
    grid.children[-1].add(text('item_price', 0, 0, 140, 56, value='Buy', align='center-middle', color='text_light'))
    grid.add(button('gift-button', 300, 0, 140, 56, None, None, 'buy_gift'))
    grid.children[-1].add(text('gift_price', 0, 0, 140, 56, value='Gift', align='center-middle', color='text_light'))
    grid.add(button('refill-button', 450, 0, 140, 56, None, None, 'refill_item'))
    grid.children[-1].add(text('refill_price', 0, 0, 140, 56, value='Refill', align='center-middle', color='text_light'))
    big.add(grid)
    row.add(small, big)
    row.on('onendexpand', 'shop_item_end_expand')
    return row


def shop_pages():
    shop = page('shop_root', 'Shop', 21).on('onshow', 'show_shop')
    shop.add(text(None, 400, 8, 100, 44, value='Coins'), text('brixcoins_amount', 500, 8, 100, 44, value='0'))
    shop.add(button('buy_coins_button', 20, 56, 200, 40, 'Buy coins', None, 'buy_coins'))
    shop.add(button('shop_items_tab', 240, 56, 200, 40, 'Items', None, 'show_shop_items'))
    shop.add(button('my_items_tab', 460, 56, 200, 40, 'My items', None, 'show_my_items'))
    shop.add(list_('shop_page_list', 20, 100, 760, 370, shop_row('shop'), load='load_shop_item',
                   unload='unload_shop_item', batch='load_shop_item_batch', group=('load_shop_group', group_row())))
    shop.add(list_('my_items_page_list', 20, 100, 760, 370, shop_row('my'), load='load_my_item',
                   unload='unload_my_item', batch='load_my_item_batch'))
    shop.children[-1].display = 0
    shop.add(text('no_results', 200, 250, 400, 40, value='Nothing here yet.', align='center-middle', display=0))
    shop.add(text('loading', 200, 250, 400, 40, value='Loading...', align='center-middle', display=0))

    error = dialog_page('generic_error_dialog', 'Sorry', 'error-text')
    coins = dialog_page('generic_error_dialog_more_coins', 'Not enough coins', 'error-text')
    coins.children[1].add(text('coins-value', 20, 180, 200, 30, value=''))
    coins.children[1].add(button('buy_coins_more', 320, 220, 140, 44, 'Buy coins', None, 'buy_coins'))

    confirm = dialog_page('confirm_buy_dialog', 'Buy', 'item-name')
    confirm.on('onshow', 'show_confirm_buy_dialog')
    box = confirm.children[1]
    box.children.pop()     # its own buttons
    icon = E('image', 'item-icon', 20, 60, 64, 64)
    icon.add(text(None, 0, 0, 64, 64, value='?', align='center-middle'))
    box.add(icon, text('value_price', 100, 130, 200, 40, value=''))
    box.add(page_button('ok_buy', 60, 220, 160, 44, 'Buy', ':back').on('onclick', 'ok_buy_confirm'))
    box.add(page_button('cancel_buy', 260, 220, 160, 44, 'Cancel', ':back', 2).on('onclick', 'cancel_buy_confirm'))
    # The same dialog's gift wording, shown by nothing yet; its events share the handlers.
    box.add(page_button('ok_buy_gift', 60, 220, 160, 44, 'Give', ':back').on('onclick', 'ok_buy_gift_confirm')
            .on('onshow', 'show_confirm_buy_gift_dialog'))
    box.children[-1].display = 0
    box.add(page_button('cancel_buy_gift', 260, 220, 160, 44, 'Cancel', ':back', 2)
            .on('onclick', 'cancel_buy_gift_confirm'))
    box.children[-1].display = 0

    def selection(name, content, show, load, unload, select, ok, cancel, next_page):
        p = dialog_page(name, 'Choose', 'selection_title')
        b = p.children[1]
        b.children.pop()
        row = E('widget', 'item_template', 0, 0, 440, 44)
        row.add(text('item-name', 10, 0, 240, 44, value=''), text('price-value', 250, 0, 80, 44, value=''))
        sel = E('button', 'select-button', 340, 6, 90, 32).on('onclick', select)
        sel.add(panel('selected', 0, 0, 90, 32, 'ff3aa0f0', 'ff2a7fd4', display=0),
                panel('unselected', 0, 0, 90, 32, 'ffd0d0d0', 'ffb0b0b0'))
        row.add(sel)
        b.add(list_(content, 20, 50, 440, 160, row, show=show, load=load, unload=unload))
        b.add(page_button('ok_button', 60, 220, 160, 44, 'OK', next_page, 0).on('onclick', ok),
              page_button('cancel_button', 260, 220, 160, 44, 'Cancel', ':back', 2).on('onclick', cancel))
        return p

    # OK goes on to the purchase's confirmation: the layout moves there, not the handlers.
    sel = selection('dialog_list_selection', 'selection_list_content', 'show_selection_list', 'load_selection_list_item',
                    'unload_selection_list_item', 'select_list_item', 'ok_list_selection', 'cancel_list_selection',
                    'confirm_buy_dialog')
    gsel = selection('dialog_gift_list_selection', 'selection_gift_list_content', 'show_selection_gift_list',
                     'load_selection_gift_list_item', 'unload_selection_gift_list_item', 'select_gift_list_item',
                     'ok_gift_list_selection', 'cancel_gift_list_selection', 'confirm_buy_player_gift_dialog')
    pg = dialog_page('confirm_buy_player_gift_dialog', 'Send a gift', 'player-name')
    pg.on('onshow', 'show_confirm_buy_player_gift_dialog')
    b = pg.children[1]
    b.children.pop()
    picon = E('image', 'player-icon', 20, 60, 64, 64)
    picon.add(text(None, 0, 0, 64, 64, value='?', align='center-middle'))
    b.add(picon, text('value_price', 100, 130, 200, 40, value=''))
    b.add(page_button('ok_button', 60, 220, 160, 44, 'Give', ':back').on('onclick', 'ok_buy_player_gift_confirm'),
          page_button('cancel_button', 260, 220, 160, 44, 'Cancel', ':back', 2)
          .on('onclick', 'cancel_buy_player_gift_confirm'))
    return [shop, error, coins, confirm, sel, gsel, pg]


def chat_and_challenge_pages():
    chat = page('chat_root', 'Chat', 23, back=False)
    chat.add(E('running_list', 'chat_backlog', 20, 56, 560, 330).add(
        text('item_template', 0, 0, 560, 28, value='', align='left', multiline=True)))
    box, line = field('chat_textfield', 20, 396, 460, 48)
    chat.add(box, line.on('onchanged', 'chat_textfield_changed'))
    chat.add(button('chat_send_button', 490, 396, 90, 48, 'Send', None, 'chat_send'))
    bubble = E('bubble', 'bubble_chat_submit', 380, 330, 200, 56, display=0)
    bubble.add(text('bubble-text', 10, 0, 180, 56, value='Tap to send', align='center-middle'))
    chat.add(bubble)
    chat.add(button('button_back', 680, 8, 100, 40, 'Leave', None, 'chat_exit'))
    rematch = E('toggle_button', 'rematch-button', 600, 56, 180, 48).on('onclick', 'chat_rematch')
    rematch.add(panel(None, 0, 0, 180, 48, 'ffb0b0b0', 'ff909090'), panel(None, 0, 0, 180, 48, 'ff3aa0f0', 'ff2a7fd4'))
    rematch.children[0].add(text(None, 0, 0, 180, 48, value='Rematch?', align='center-middle'))
    rematch.children[1].add(text(None, 0, 0, 180, 48, value='Rematch asked', align='center-middle', color='text_light'))
    chat.add(rematch)
    avatars = E('widget', 'chat_avatars_root', 600, 110, 180, 200)
    arow = E('widget', 'item_template', 0, 0, 180, 60)
    arow.add(E('image', 'player_avatar', 0, 0, 56, 56, image={'path': 'avatar-icon.png'}),
             text('player_name', 60, 0, 120, 56, value=''))
    arow.add(button('expand-button', 0, 0, 180, 60, None, None, 'expand_chat_item', image='lobby_clear.png'))
    avatars.add(list_('avatar_list', 0, 0, 180, 200, arow, show='show_chat_avatars', load='load_chat_item',
                      unload='unload_chat_item'))
    chat.add(avatars)
    slide = E('slidearea', 'chat_expand_slidearea', 600, 310, 180, 160)
    item = E('expand_layout', 'chat_expand_item', 0, 0, 180, 160).on('onendexpand', 'chat_end_expand')
    item.extra += ['<height value="0"/>', '<height value="0.3333"/>']
    item.add(E('image', 'player_avatar', 0, 0, 56, 56, image={'path': 'avatar-icon.png'}))
    item.add(E('image', 'arrow', 60, 0, 20, 20))
    nasty = E('widget', 'chat_nastybuttons', 0, 60, 180, 100).on('onshow', 'expand_chat_nastybuttons')
    nasty.add(button('block_chat_button', 0, 0, 180, 40, 'Block', None, 'block_chat'))
    item.add(nasty)
    slide.add(item)
    chat.add(slide)

    received = page('challenge_received', 'Challenge!', back=False)
    received.add(E('image', 'player_avatar', 40, 80, 120, 120, image={'path': 'avatar-icon.png'}))
    received.add(text('player_name', 180, 80, 400, 40, value=''), text('player_rank', 180, 120, 400, 40, value=''),
                 text('player_score', 180, 160, 400, 40, value=''))
    received.add(text('text_challenge', 40, 220, 720, 60, value='', multiline=True))
    received.add(button('accept_button', 160, 320, 200, 60, 'Accept', 6, 'accept_challenge'),
                 button('reject_button', 440, 320, 200, 60, 'Decline', 7, 'reject_challenge'))
    waiting = page('challenge_waiting', 'Waiting for an answer', back=False)
    waiting.add(button('cancel_waiting', 300, 300, 200, 60, 'Cancel', 2, 'dialog_close'))
    return [chat, received, waiting]


def overlays():
    dialog = E('widget', 'dialog_box', 0, 0, 800, 480, display=0)
    dialog.add(panel(None, 0, 0, 800, 480, '80000000', '80000000'))
    box = panel(None, 200, 140, 400, 200, 'ffffffff', 'ffe8eef4')
    box.add(text('dialog_box_text', 20, 20, 360, 100, value='', multiline=True))
    box.add(button('dialog_ok', 40, 130, 140, 50, 'OK', 0, 'dialog_button'),
            button('dialog_cancel', 220, 130, 140, 50, 'Close', 209, 'dialog_close'))
    dialog.add(box)
    confirm = E('widget', 'confirm_box', 0, 0, 800, 480, display=0)
    confirm.add(panel(None, 0, 0, 800, 480, '80000000', '80000000'))
    cbox = panel(None, 200, 140, 400, 200, 'ffffffff', 'ffe8eef4')
    cbox.add(text('dialog_head', 20, 10, 360, 40, value='', color='accent', font='brix_title'),
             text('dialog_text', 20, 55, 360, 70, value='', multiline=True))
    cbox.add(button('confirm_ok', 130, 135, 140, 50, 'OK', 0, 'dialog_button'))
    confirm.add(cbox)

    # The lobby's menu button over the game: at the top edge between the play screen's
    # weapon row and the other player's portrait, where neither a screen of the game nor a
    # page of the lobby has a control (tests/lobby/BrixMenuButtonPlaceTest checks it).
    broot = E('widget', 'brix_button_root', 612, 0, 56, 56)
    broot.add(E('image', 'brix-image', 2, 2, 52, 52, image={'path': 'lobby_brix.png'}))
    timer = E('widget', 'brix-timer', 2, 2, 52, 52, display=0)
    timer.add(E('pie', 'brix-turn-clock', 0, 0, 52, 52, color={'value': 'c02a7fd4'}, segments={'value': 32}))
    broot.add(timer)
    broot.add(button('brix_button', 2, 2, 52, 52, None, None, 'toggle_brix_menu', image='lobby_clear.png'))
    # The hints hang below the button, their arrow pointing up at it.
    join = E('bubble', 'bubble_join', -164, 60, 220, 70, display=0, arrow={'value': 'top-right'})
    join.add(text('bubble-text', 10, 0, 200, 70, value='', align='center-middle', multiline=True))
    broot.add(join)
    ret = E('bubble', 'bubble_return_game', -164, 60, 220, 70, display=0, arrow={'value': 'top-right'})
    ret.add(text('bubble-text', 10, 0, 200, 70, value='Tap here to return to the game', align='center-middle',
                 multiline=True))
    broot.add(ret)
    notifier = E('widget', 'chat-notifier', 612, 56, 56, 30, display=0)
    notifier.add(text('chat-notifier-dots', 0, 0, 56, 30, value='', align='center-middle', color='accent'))
    return [dialog, confirm, broot, notifier]


def main():
    if len(sys.argv) != 2:
        sys.stderr.write('usage: menulayout.py <output.xml>\n')
        return 2
    menu = E('page_layout', 'menu_root', 0, 0, 800, 480)
    menu.extra += ['<history max-size="16"/>',
                   '<transition type="in" direction="left" duration="0.25"/>',
                   '<transition type="out" direction="left" duration="0.25"/>']
    for p in login_pages() + start_and_settings_pages() + players_and_me_pages() + shop_pages() + \
            chat_and_challenge_pages():
        menu.add(p)
    lines = ['<ui>',
             '    <!-- The lobby menu, written by tools/lobbylayout/menulayout.py: edit the script,',
             '         not this file. The pages of "menu_root", the dialog boxes above them and',
             '         the framework button in the bottom-right corner. -->',
             '    <area width="800" height="480" name="lobby_landscape">']
    for e in [menu] + overlays():
        lines.extend(e.xml(2))
    lines += ['    </area>', '</ui>', '']
    with open(sys.argv[1], 'w') as f:
        f.write('\n'.join(lines))
    return 0


if __name__ == '__main__':
    sys.exit(main())
