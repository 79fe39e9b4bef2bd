"""A newsreader session through the proxy, driven by Python's nntplib.

Arguments: the proxy's port and the news server's port. Exits 0 when every check holds,
otherwise prints what failed and exits 1.
"""
import binascii
import io
import sys
import warnings

warnings.simplefilter("ignore", DeprecationWarning)
import nntplib  # noqa: E402

PAYLOAD = bytes((i * 7 + 3) % 256 for i in range(1000))


def check(condition, what):
    if not condition:
        print("FAILED:", what)
        sys.exit(1)


def main():
    proxy_port, server_port = int(sys.argv[1]), int(sys.argv[2])
    direct = nntplib.NNTP("127.0.0.1", server_port, user="alice", password="pw", timeout=20)
    news = nntplib.NNTP("127.0.0.1", proxy_port, user="alice@127.0.0.1:%d" % server_port,
                        password="pw", timeout=20)
    check(news.getwelcome().startswith("200 Feldrun ready"), "greeting " + news.getwelcome())

    resp, count, first, last, name = news.group("misc.test")
    check((count, first, last, name) == (4, 1, 4, "misc.test"), "group " + resp)
    direct.group("misc.test")

    resp, overviews = news.xover(1, 3)
    check([number for number, _ in overviews] == [1, 3], "filtered overview %r" % overviews)
    check(overviews[1][1]["subject"] == "bye", "overview fields %r" % overviews)

    news._shortcmd("MODE FILTER")
    resp, lines = news._longcmdstring("XOVER 1-3")
    check(len(lines) == 3 and lines[1] == "filtered", "marked overview %r" % lines)

    check(news.article(1)[1].lines == direct.article(1)[1].lines, "article 1")

    lines = news.body(4)[1].lines
    check(b"begin 644 data.bin" in lines, "no begin line in %r" % lines[:5])
    start = lines.index(b"begin 644 data.bin") + 1
    end = lines.index(b"end")
    check(lines[end - 1] == b"`", "no empty line before end")
    decoded = b"".join(binascii.a2b_uu(line) for line in lines[start:end - 1])
    check(decoded == PAYLOAD, "decoded attachment differs")

    article = (b"From: alice@example.com\r\nNewsgroups: misc.test\r\nSubject: posted\r\n\r\n"
               b".a line with a dot\r\nlast line\r\n")
    check(news.post(io.BytesIO(article)).startswith("240"), "post")

    check(news.quit().startswith("205 OK. Bye!"), "quit")
    direct.quit()


main()
