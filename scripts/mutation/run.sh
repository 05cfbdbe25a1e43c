#!/usr/bin/env bash
# Counts how many injected faults the test suite catches.
#
# Makes a scratch git worktree of HEAD, builds it as ./test.sh does (Debug,
# sanitizers, tests) but with shared libraries, so that a fault rebuilds one
# library and no test program, checks that the suite passes, then for each fault of
# mutants.tsv: puts it into its file, rebuilds, runs the tests until the
# first failure, and puts the file back. A fault is caught when a test fails
# or times out, survived when all pass, not-compiled when the build fails.
# The worktree this script lives in is never changed.
#
#   scripts/mutation/run.sh [options] [ID...]     all faults, or only these
#     --check          only check that every fragment occurs exactly once
#                      in this worktree's src/, then stop
#     --work DIR       scratch folder (default ${TMPDIR:-/tmp}/quorl-mutation)
#     --results FILE   table of results (default DIR/results.tsv)
#     --list FILE      faults to inject (default mutants.tsv beside this script)
#     --timeout SEC    limit for a test without its own (default 120)
#     --keep           leave the scratch worktree and build behind
#     --rev REV        test this commit instead of HEAD (for a before/after count)
set -euo pipefail

# Everything runs from main, called on the last line: bash has then read the
# whole script, which may be edited while a run of hours goes on.

die() { echo "mutation: $*" >&2; exit 1; }

# Sets id, base, fragment, replacement and what from a fault line. Tabs are
# swapped for a separator that is not white space, which read would merge,
# so that an empty replacement stays empty.
read_fault() {
  IFS=$'\x1f' read -r id base fragment replacement what <<<"${1//$'\t'/$'\x1f'}"
}

# Finds the file by its base name under src/ of the given tree.
locate() {
  local tree=$1 base=$2 found
  found=$(cd "$tree" && find src -name "$base" -type f)
  [ -n "$found" ] && [ "$(printf '%s\n' "$found" | wc -l)" -eq 1 ] || return 1
  printf '%s\n' "$found"
}

# Replaces the fragment in the file, or only checks it with "check". Fails
# without touching the file unless the fragment occurs exactly once.
inject() {
  FRAGMENT=$2 REPLACEMENT=$3 perl -e '
    my ($path, $mode) = @ARGV;
    my $break = "\xE2\x8F\x8E"; # the line-break mark, in UTF-8
    (my $from = $ENV{FRAGMENT}) =~ s/$break/\n/g;
    (my $to = $ENV{REPLACEMENT}) =~ s/$break/\n/g;
    open(my $in, "<:raw", $path) or die "cannot read $path\n";
    local $/; my $text = <$in>; close $in;
    my $count = () = $text =~ /\Q$from\E/g;
    die "fragment found $count times in $path\n" if $count != 1;
    die "replacement equals the fragment\n" if $from eq $to;
    exit 0 if $mode eq "check";
    $text =~ s/\Q$from\E/$to/;
    open(my $out, ">:raw", $path) or die "cannot write $path\n";
    print $out $text; close $out or die "cannot write $path\n";
  ' "$1" "${4:-apply}"
}

check_tree() {
  local tree=$1 bad=0 id base fragment replacement what file
  for line in "${lines[@]}"; do
    read_fault "$line"
    if [ -z "$what" ]; then
      echo "  ${id:-?}: not five tab-separated fields" >&2; bad=1; continue
    fi
    if ! file=$(locate "$tree" "$base"); then
      echo "  $id: no single file named $base under src/" >&2; bad=1; continue
    fi
    if ! inject "$tree/$file" "$fragment" "$replacement" check 2>/tmp/mutation-check.$$; then
      echo "  $id: $(cat /tmp/mutation-check.$$)" >&2; bad=1
    fi
  done
  rm -f /tmp/mutation-check.$$
  return $bad
}

cleanup() {
  if ! $keep; then
    git -C "$repo" worktree remove --force "$src" 2>/dev/null || true
  fi
}

# Runs the tests until the first failure: unit tests of the fault's own
# library, then the other unit tests, then the scripts. Prints the failing
# test's name and returns 1 when one fails.
run_tests() {
  local own=$1 log=$2 dir i
  local dirs=() modes=()
  for dir in "${test_dirs[@]}"; do [ "$dir" = "$own" ] && dirs+=("$build/tests/$dir") && modes+=(-E); done
  for dir in "${test_dirs[@]}"; do [ "$dir" != "$own" ] && dirs+=("$build/tests/$dir") && modes+=(-E); done
  dirs+=("$build")
  modes+=(-R)
  : >"$log"
  for i in "${!dirs[@]}"; do
    if ! ctest --test-dir "${dirs[$i]}" "${modes[$i]}" "$scripts" --stop-on-failure --timeout "$timeout" -j2 \
        >>"$log" 2>&1; then
      sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (\(.*\))$/\1 (\2)/p' "$log" | head -n 1
      return 1
    fi
  done
  return 0
}

main() {
  here=$(cd "$(dirname "$0")" && pwd)
  repo=$(git -C "$here" rev-parse --show-toplevel)
  list=$here/mutants.tsv
  work=${TMPDIR:-/tmp}/quorl-mutation
  results=
  timeout=120
  check_only=false
  keep=false
  rev=HEAD
  selected=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --check) check_only=true ;;
      --work) work=$2; shift ;;
      --results) results=$2; shift ;;
      --list) list=$2; shift ;;
      --timeout) timeout=$2; shift ;;
      --keep) keep=true ;;
      --rev) rev=$2; shift ;;
      -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
      -*) echo "unknown option $1" >&2; exit 2 ;;
      *) selected+=("$1") ;;
    esac
    shift
  done
  list=$(realpath "$list")

  # The fault lines to run: id, file, fragment, replacement, description.
  mapfile -t lines < <(grep -v -e '^#' -e '^[[:space:]]*$' "$list")
  if [ ${#selected[@]} -gt 0 ]; then
    chosen=()
    for id in "${selected[@]}"; do
      line=$(printf '%s\n' "${lines[@]}" | awk -F'\t' -v id="$id" '$1 == id') || true
      [ -n "$line" ] || die "no fault '$id' in $list"
      chosen+=("$line")
    done
    lines=("${chosen[@]}")
  fi

  if $check_only; then
    check_tree "$repo" || die "some faults do not apply to $repo"
    echo "all ${#lines[@]} faults apply to $repo"
    exit 0
  fi

  src=$work/src
  build=$work/build
  results=${results:-$work/results.tsv}
  logs=$work/logs
  mkdir -p "$work" "$logs"
  if git -C "$repo" worktree list --porcelain | grep -qx "worktree $src"; then
    git -C "$repo" worktree remove --force "$src"
  fi
  rm -rf "$src"
  git -C "$repo" worktree add --detach --quiet "$src" "$rev"
  # Shared libraries, and test programs that are not relinked when one
  # changes: only the scratch tree's build files are touched.
  sed -i 's/^add_library(\(quorl_[a-z]*\) STATIC/add_library(\1 SHARED/' "$src"/src/*/CMakeLists.txt
  trap cleanup EXIT
  echo "scratch worktree of $(git -C "$src" rev-parse --short HEAD) in $src"
  check_tree "$src" || die "some faults do not apply to HEAD; fix or drop them first"

  # Cache hits across mutants and across runs in other scratch folders.
  export CCACHE_BASEDIR=$work CCACHE_NOHASHDIR=1
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  export QT_QPA_PLATFORM=offscreen
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORLBOARD_SANITIZE=ON -DQUORLBOARD_TESTS=ON \
    -DCMAKE_LINK_DEPENDS_NO_SHARED=ON -DCMAKE_INSTALL_RPATH="$(cd "$src/src" && for d in */ */ui/; do printf '%s;' "$build/src/$d"; done)" \
    "${launcher[@]}" >"$logs/configure.log" 2>&1 || die "configure failed, see $logs/configure.log"
  cmake --build "$build" -j2 >"$logs/build.log" 2>&1 || die "the unchanged tree does not build, see $logs/build.log"

  # Test folders, in the order they run for a fault: its own library's first.
  # Window folders (settings/ui, net/ui) are test folders of their own.
  mapfile -t test_dirs < <(cd "$build/tests" && find . -mindepth 2 -name CTestTestfile.cmake -printf '%h\n' |
    sed 's|^\./||' | sort)
  # Whole-program tests (scripts) are slow: they run after every unit test.
  scripts=$(ctest --test-dir "$build" --show-only=json-v1 | perl -MJSON::PP -e '
    local $/; my $tests = decode_json(<STDIN>)->{tests};
    print join("|", map { quotemeta $_->{name} } grep { ($_->{command}[0] // "") =~ m{/(ba)?sh$} } @$tests);')
  scripts="^(${scripts:-no script})\$"

  echo "checking that the suite passes without a fault"
  start=$SECONDS
  if failing=$(run_tests none "$logs/baseline.log"); then
    echo "suite passes in $((SECONDS - start)) s"
  else
    die "the suite fails without a fault ($failing), see $logs/baseline.log"
  fi

  printf 'id\tresult\tseconds\tcaught by\tfault\n' >"$results"
  caught=0 survived=0 broken=0
  run_start=$SECONDS
  for line in "${lines[@]}"; do
    read_fault "$line"
    file=$(locate "$src" "$base")
    own=$(dirname "${file#src/}")
    started=$SECONDS
    inject "$src/$file" "$fragment" "$replacement"
    by=
    if ! cmake --build "$build" -j2 >"$logs/$id.build.log" 2>&1; then
      result=not-compiled; broken=$((broken + 1))
    elif by=$(run_tests "$own" "$logs/$id.test.log"); then
      result=survived; survived=$((survived + 1))
    else
      result=caught; caught=$((caught + 1))
    fi
    git -C "$src" checkout --quiet -- "$file"
    git -C "$src" diff --quiet -- "$file" || die "could not put $file back"
    printf '%s\t%s\t%s\t%s\t%s\n' "$id" "$result" "$((SECONDS - started))" "$by" "$what" | tee -a "$results"
  done
  # The tree is whole again; leave the build matching it.
  cmake --build "$build" -j2 >"$logs/build.log" 2>&1 || true

  total=$((caught + survived + broken))
  {
    echo "# total $total, caught $caught, survived $survived, not compiled $broken;" \
         "$(( (SECONDS - run_start) / 60 )) min for the faults"
  } | tee -a "$results"
  if [ "$survived" -gt 0 ]; then
    echo "survivors:"
    awk -F'\t' '$2 == "survived" { printf "  %s  %s\n", $1, $5 }' "$results"
  fi
  echo "results in $results"
}

main "$@"
exit
