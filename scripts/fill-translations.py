import sys, re, html
path = sys.argv[1]
tr = {}
exec(open(sys.argv[2], encoding='utf-8').read())  # defines TR dict: source -> translation
s = open(path, encoding='utf-8').read()
def repl(m):
    src = html.unescape(m.group(2))
    if src in TR:
        t = html.escape(TR[src], quote=False).replace('"', '&quot;')
        return m.group(1) + '<translation>' + t + '</translation>'
    return m.group(0)
s2 = re.sub(r'(<source>(.*?)</source>\s*(?:<comment>.*?</comment>\s*)?)<translation type="unfinished"(?: */>|>.*?</translation>)', repl, s, flags=re.S)
open(path, 'w', encoding='utf-8').write(s2)
print('unfinished left:', s2.count('type="unfinished"'))
