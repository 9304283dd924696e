#!/bin/sh
# Writes the manual page verolin(1) from the program's own help: the top-level help, then the help of
# every subcommand and of the subcommands below them, so that the page says what the program does.
# Usage: manpage.sh VEROLIN_BINARY OUTPUT.1
set -eu
bin=$1
out=$2

# Help text as roff lines shown as they are: backslashes and minus signs escaped, lines that roff would
# take for requests made harmless.
verbatim() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}

# The names listed under "Subcommands:" of a help text.
subcommands() {
  sed -n '/^Subcommands:/,/^$/p' | sed -n 's/^  \([a-z][a-z0-9-]*\).*/\1/p'
}

section() {
  printf '.SS "%s"\n.nf\n' "$*"
  "$bin" "$@" --help | verbatim
  printf '.fi\n'
}

version=$("$bin" --version | sed -n '1s/^verolin //p')
{
  printf '.TH VEROLIN 1 "" "verolin %s" "User Commands"\n' "$version"
  printf '.SH NAME\nverolin \\- the document-editing control, its reference server and its file tools\n'
  printf '.SH SYNOPSIS\n.B verolin\n[\\fIOPTIONS\\fR] \\fISUBCOMMAND\\fR [\\fIARGUMENTS\\fR]\n'
  printf '.SH DESCRIPTION\n'
  printf 'Each subcommand below is shown with its own help, as\n.B verolin\n\\fISUBCOMMAND\\fR \\-\\-help prints it.\n'
  printf '.SH OPTIONS\n.nf\n'
  "$bin" --help | verbatim
  printf '.fi\n.SH SUBCOMMANDS\n'
  for sub in $("$bin" --help | subcommands); do
    section "$sub"
    for leaf in $("$bin" "$sub" --help | subcommands); do
      section "$sub" "$leaf"
    done
  done
  printf '.SH CONVENTIONS\n'
  printf 'Where a subcommand names a file, \\fB\\-\\fR stands for standard input (a file read) or standard\n'
  printf 'output (a file written). An existing output file is replaced only with \\fB\\-\\-force\\fR.\n'
  printf 'Commands that list print JSON with \\fB\\-\\-json\\fR.\n'
  printf '.SH EXIT STATUS\n'
  printf '.TP\n0\nsuccess\n.TP\n1\nthe work failed; standard error names the reason\n'
  printf '.TP\n2\nthe command line was wrong; nothing was done\n'
  printf '.SH FILES\n'
  printf '.TP\n/etc/verolin/verolin.conf\nthe options of the verolin service (package installs)\n'
  printf '.TP\n/var/lib/verolin\nthe data folder of the verolin service\n'
  printf '.SH SEE ALSO\n/usr/share/doc/verolin/README.md, /usr/share/doc/verolin/docs/\n'
} >"$out.tmp"
mv "$out.tmp" "$out"
