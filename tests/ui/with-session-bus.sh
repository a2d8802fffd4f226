#!/bin/sh
# Runs a program on a private session bus of its own, which ends with it.
exec dbus-run-session -- "$@"
