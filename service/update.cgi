#!/bin/sh
# Velmora's update service. Host this folder on any web server that runs CGI
# scripts, at /~orlund/cgi-bin/updates/ (so that update.cgi answers
# /~orlund/cgi-bin/updates/update.cgi?velmora_version and the like), and
# point Velmora at it with VELMORA_UPDATE_HOST=host[:port].
here=$(dirname "$0")
case "$QUERY_STRING" in
  velmora_version) answer=version.ini ;;
  velmora_engines) answer=engines.ini ;;
  velmora_clients) answer=clients.ini ;;
  *)
    printf 'Status: 404 Not Found\r\nContent-Type: text/plain\r\n\r\nAsk for velmora_version, velmora_engines or velmora_clients.\n'
    exit 0
    ;;
esac
printf 'Content-Type: text/plain\r\nCache-Control: no-cache\r\n\r\n'
cat "$here/answers/$answer"
