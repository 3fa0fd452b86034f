#!/usr/bin/python3
"""quoll-web end to end.

  web_test.py http QUOLL_WEB OUT_DIR     bad and hostile requests, each with its 4xx reply and
                                         no change to the game; the game limit, idle games and
                                         engine processes when the server stops or is killed
  web_test.py browser QUOLL_WEB OUT_DIR  whole games clicked in Chromium, undo, hint and a
                                         crashing brain; a screenshot lands in OUT_DIR
"""
import atexit
import http.client
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SERVER, OUT = sys.argv[2], sys.argv[3]
LINES = [(1, 0), (0, 1), (1, 1), (1, -1)]


def start(*options):
    server = subprocess.Popen([SERVER, '--port', '0', *options], stdout=subprocess.PIPE, text=True)
    atexit.register(server.kill)  # also when a check fails
    return server, int(re.search(r':(\d+)/', server.stdout.readline()).group(1))


def call(port, method, path, body=None, **headers):
    """One request; http.client, so that no proxy of the environment is in the way."""
    sent = {'Host': f'127.0.0.1:{port}', 'Origin': f'http://127.0.0.1:{port}',
            'Content-Type': 'application/json'}
    sent.update({name.replace('_', '-'): value for name, value in headers.items()})
    if body is not None and not isinstance(body, str):
        body = json.dumps(body)
    connection = http.client.HTTPConnection('127.0.0.1', port, timeout=60)
    connection.request(method, path, body, {k: v for k, v in sent.items() if v is not None})
    reply = connection.getresponse()
    data = reply.read()
    return reply.status, json.loads(data) if data.startswith(b'{') else data.decode()


def new_game(port):
    return call(port, 'POST', '/api/games', {'colour': 'black', 'turnMs': 200})


def engines_of(server):
    tasks = f'/proc/{server.pid}/task'
    return {int(pid) for task in os.listdir(tasks)
            for pid in open(f'{tasks}/{task}/children').read().split()}


def alive(pid):
    try:
        return open(f'/proc/{pid}/stat').read().rsplit(')', 1)[1].split()[0] != 'Z'
    except FileNotFoundError:
        return False


def wait_for(condition, seconds=10):
    end = time.time() + seconds
    while not condition():
        assert time.time() < end, 'timed out'
        time.sleep(0.05)


def http_test():
    server, port = start()
    status, game = new_game(port)
    assert status == 201 and not game['failure'], game
    path = f"/api/games/{game['id']}"
    assert call(port, 'POST', path + '/move', {'x': 7, 'y': 7})[0] == 200
    assert call(port, 'POST', path + '/reply', {})[0] == 200
    before = call(port, 'GET', path)
    taken = before[1]['moves'][1]
    move = path + '/move'
    cases = [  # what, method, path, body, headers, status
        ('foreign Host', 'GET', '/', None, {'Host': f'evil.example:{port}'}, 403),
        ('rebound name', 'GET', path, None, {'Host': f'attacker.example:{port}'}, 403),
        ('other port', 'GET', path, None, {'Host': '127.0.0.1:1'}, 403),
        ('foreign Origin', 'POST', move, {'x': 0, 'y': 0}, {'Origin': 'http://evil.example'}, 403),
        ('no Origin', 'POST', move, {'x': 0, 'y': 0}, {'Origin': None}, 403),
        ('form post', 'POST', move, 'x=0&y=0',
         {'Content_Type': 'application/x-www-form-urlencoded'}, 415),
        ('plain text', 'POST', move, '{"x":0,"y":0}', {'Content_Type': 'text/plain'}, 415),
        ('not JSON', 'POST', move, '{"x":', {}, 400),
        ('array', 'POST', move, '[0,0]', {}, 400),
        ('string coordinate', 'POST', move, {'x': '0', 'y': 0}, {}, 400),
        ('fraction', 'POST', move, {'x': 1.5, 'y': 0}, {}, 400),
        ('boolean', 'POST', move, {'x': True, 'y': 0}, {}, 400),
        ('huge number', 'POST', move, '{"x":18446744073709551617,"y":0}', {}, 400),
        ('wrapping number', 'POST', move, '{"x":18446744073709551615,"y":0}', {}, 400),
        ('extra field', 'POST', move, {'x': 0, 'y': 0, 'command': 'ls'}, {}, 400),
        ('missing field', 'POST', move, {'x': 0}, {}, 400),
        # A long field name, cut in its reason in the middle of a character, broke the reply.
        ('long field name', 'POST', move, {'x': 0, 'y': 0, '\u20ac' * 20: 0}, {}, 400),
        ('off the board', 'POST', move, {'x': 15, 'y': 0}, {}, 400),
        ('negative', 'POST', move, {'x': -1, 'y': 3}, {}, 400),
        ('taken cell', 'POST', move, {'x': taken['x'], 'y': taken['y']}, {}, 409),
        ('huge body', 'POST', move, '{"x":' + ' ' * 300000 + '0,"y":0}', {}, 413),
        ('unknown game', 'GET', '/api/games/' + '0' * 32, None, {}, 404),
        ('unknown game move', 'POST', '/api/games/' + 'f' * 32 + '/move', {'x': 0, 'y': 0}, {}, 404),
        ('path in the id', 'GET', '/api/games/../../etc/passwd', None, {}, 404),
        ('file path', 'GET', '/../../../etc/passwd', None, {}, 404),
        ('engine named', 'POST', '/api/games', {'colour': 'black', 'turnMs': 200,
                                                'engine': '/bin/sh'}, {}, 400),
        ('turn time', 'POST', '/api/games', {'colour': 'black', 'turnMs': 10 ** 9}, {}, 400),
        ('colour', 'POST', '/api/games', {'colour': 'red', 'turnMs': 200}, {}, 400),
        ('record off the board', 'POST', path + '/load',
         {'record': 'Piskvorky 15x15, 0:0, 0\n16,1,0\n-1\n'}, {}, 400),
        ('record on a taken cell', 'POST', path + '/load', {'record': '1,1,0\n1,1,0\n-1\n'}, {}, 400),
        ('record not text', 'POST', path + '/load', {'record': 5}, {}, 400),
        ('engine not to move', 'POST', path + '/reply', {}, {}, 409),
        ('body on undo', 'POST', path + '/undo', {'x': 1}, {}, 400),
        ('unknown method', 'PUT', path, {}, {}, 404),
    ]
    for what, method, target, body, headers, expected in cases:
        status, reply = call(port, method, target, body, **headers)
        assert status == expected and reply['error'], (what, status, reply)
    assert call(port, 'GET', path) == before, 'a refused request changed the game'

    # The record saved is the record loaded, into another game.
    status, record = call(port, 'GET', path + '/record')
    assert record.startswith('Piskvorky 15x15, 0:0, 0\n8,8,') and record.endswith('\n-1\n')
    other = new_game(port)[1]['id']
    status, loaded = call(port, 'POST', f'/api/games/{other}/load', {'record': record})
    assert loaded['moves'] == before[1]['moves'] and loaded['toMove'] == 'person', loaded
    server.send_signal(signal.SIGTERM)
    processes = engines_of(server)
    assert len(processes) == 2 and server.wait(10) == 0
    wait_for(lambda: not any(map(alive, processes)))

    # Two games at most; an idle game is closed with its process.
    server, port = start('--max-games', '2', '--idle-seconds', '2')
    ids = [new_game(port)[1]['id'] for _ in range(2)]
    assert new_game(port)[0] == 503
    processes = engines_of(server)
    wait_for(lambda: not any(map(alive, processes)))  # asking would keep the games in use
    assert [call(port, 'GET', f'/api/games/{id}')[0] for id in ids] == [404, 404]
    assert new_game(port)[0] == 201
    # A server that is killed outright takes its engines with it.
    processes = engines_of(server)
    server.kill()
    wait_for(lambda: not any(map(alive, processes)))


def browser(profile):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for flag in ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                 '--disable-background-networking', '--disable-component-update', '--disable-sync',
                 '--no-proxy-server', '--window-size=1040,860',
                 '--user-data-dir=' + profile]:
        options.add_argument(flag)
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)


def page(driver, script):
    return driver.execute_script(script)


def page_stones(driver):
    return page(driver, """return [...document.querySelectorAll('#stones .stone')].map(
        (s) => [+s.dataset.x, +s.dataset.y, s.dataset.colour, s.classList.contains('five')])""")


def settle(driver, port, moves_before):
    """Waits for the page to be done, then checks its stones against the server's game."""
    wait_for(lambda: page(driver, 'return document.body.dataset.state') in ('person', 'nobody')
             and len(page_stones(driver)) > moves_before, 30)
    return compare(driver, port)


def compare(driver, port):
    game = call(port, 'GET', '/api/games/' + page(driver, 'return document.body.dataset.game'))[1]
    expected = [(m['x'], m['y'], 'white' if i % 2 else 'black') for i, m in enumerate(game['moves'])]
    shown = sorted(tuple(stone[:3]) for stone in page_stones(driver))
    assert shown == sorted(expected), 'page and server differ'
    return game


def choose(stones, colour):
    """The empty cell that makes the longest line of `colour`; nearer the centre on a tie."""
    def run(x, y, dx, dy):
        n = 0
        while stones.get((x + dx * (n + 1), y + dy * (n + 1))) == colour:
            n += 1
        return n
    empty = [(x, y) for x in range(15) for y in range(15) if (x, y) not in stones]
    return max(empty, key=lambda c: (max(run(*c, dx, dy) + run(*c, -dx, -dy) for dx, dy in LINES),
                                     -abs(c[0] - 7) - abs(c[1] - 6)))


def play_game(driver, port, colour, extra_checks):
    page(driver, f"document.getElementById('colour').value = '{colour}';"
                 "document.getElementById('turn-ms').value = '200'")
    driver.find_element('id', 'new-game').click()
    game = settle(driver, port, -1)
    while not game['winner'] and not game['draw']:
        stones = {(m['x'], m['y']): 'white' if i % 2 else 'black' for i, m in enumerate(game['moves'])}
        x, y = choose(stones, colour)
        driver.find_element('css selector', f'[data-cell="{x},{y}"]').click()
        game = settle(driver, port, len(game['moves']))
        if len(game['moves']) in (6, 7) and extra_checks:
            extra_checks = False
            driver.find_element('id', 'undo').click()
            undone = settle(driver, port, -1)
            assert undone['moves'] == game['moves'][:-2], 'undo takes back one move pair'
            driver.find_element('id', 'hint').click()
            game = settle(driver, port, -1)
            hint = page(driver, "const h = document.querySelector('#stones .hint');"
                                "return h && [+h.dataset.x, +h.dataset.y]")
            assert hint == [game['hint']['x'], game['hint']['y']] and game['moves'] == undone['moves']
            assert tuple(hint) not in [(m['x'], m['y']) for m in game['moves']]
            assert 'suggests' in driver.find_element('id', 'status').text
    # The announced winner and the highlighted five, checked from the page's own stones.
    status = driver.find_element('id', 'status').text
    assert game['winner'] and status.startswith(game['winner'].capitalize() + ' wins'), status
    stones = {(x, y): c for x, y, c, _ in page_stones(driver)}
    five = sorted((x, y) for x, y, c, marked in page_stones(driver) if marked)
    (x, y), (dx, dy) = five[0], (five[1][0] - five[0][0], five[1][1] - five[0][1])
    assert (dx, dy) in LINES and five == [(x + i * dx, y + i * dy) for i in range(5)]
    assert all(stones[c] == game['winner'] for c in five)
    assert stones.get((x - dx, y - dy)) != game['winner'] != stones.get((x + 5 * dx, y + 5 * dy))
    return game


def browser_test():
    from selenium.webdriver.common.keys import Keys
    started = time.time()
    server, port = start()
    profile = tempfile.mkdtemp(prefix='quoll-web-chromium-')
    driver = browser(profile)
    try:
        driver.get(f'http://127.0.0.1:{port}/')
        settle(driver, port, -1)
        play_game(driver, port, 'white', False)
        play_game(driver, port, 'black', True)
        driver.save_screenshot(os.path.join(OUT, 'web-board.png'))
        server.terminate()
        server.wait(10)

        # A brain that answers START and dies at its first move.
        brain = os.path.join(OUT, 'pbrain-crash')
        with open(brain, 'w') as file:
            file.write('#!/bin/sh\nwhile read -r line; do case "$line" in\n'
                       '  START*) echo OK;; INFO*) ;; *) exit 3;; esac; done\n')
        os.chmod(brain, 0o755)
        server, port = start('--engine', brain)
        driver.get(f'http://127.0.0.1:{port}/')
        settle(driver, port, -1)
        for attempt in range(2):
            if attempt:
                driver.find_element('id', 'restart').click()
            else:  # played from the keyboard: one cell left of the centre, then Enter
                driver.find_element('css selector', '[data-cell="7,7"]').send_keys(
                    Keys.ARROW_LEFT, Keys.ENTER)
            wait_for(lambda: 'crashed' in driver.find_element('id', 'status').text)
            assert driver.find_element('id', 'restart').is_displayed()
            assert [(m['x'], m['y']) for m in compare(driver, port)['moves']] == [(6, 7)]
    finally:
        driver.quit()
        server.terminate()
        shutil.rmtree(profile, ignore_errors=True)
    print(f'browser part: {time.time() - started:.1f} s')
    assert time.time() - started < 120


{'http': http_test, 'browser': browser_test}[sys.argv[1]]()
print('passed')
