# fish completion for tranchor: the options, the size words after --split, folders after --dir,
# and the names to work on: files, and for --glue and --check piece 1 of a set (NAME.1), which
# names the whole set. After "--" every word is a name.

# The words before the cursor that are options: those before any "--".
function __tranchor_options
    for word in (commandline -opc)[2..-1]
        test "$word" = -- && return
        echo -- $word
    end
end

# True when the word being completed may be an option.
function __tranchor_option_place
    string match -q -- '-*' (commandline -ct)
    and not contains -- -- (commandline -opc)
end

# Piece 1 of each set for a glue or a check: the files ending in .1 that complete the word, and
# folders to find them in (the files of a command that has no completions of its own, filtered).
function __tranchor_pieces
    set -l word (commandline -ct)
    complete -C "__fish_command_without_completions $word" | string match -r -- '^[^\t]*(?:\.1|/)(?:\t.*)?$'
end

complete -c tranchor -l split -x -a 'fat32 cd dvd bd 1M 100M 1G' -d 'split each FILE into pieces of SIZE bytes'
complete -c tranchor -l count -x -d 'split each FILE into at most N pieces of one size'
complete -c tranchor -l glue -d 'glue the set of each NAME'
complete -c tranchor -l check -d 'check the set of each NAME and write nothing'
complete -c tranchor -l dir -x -a '(__fish_complete_directories)' -d 'the folder for the pieces or the rebuilt file'
complete -c tranchor -l name -x -d 'the name of the file that standard input holds'
complete -c tranchor -l stdout -d 'the glue writes the file to standard output'
complete -c tranchor -l progress -d 'bytes done, rate and time left on standard error'
complete -c tranchor -l verbose -d 'a line on standard error for every piece made or added'
complete -c tranchor -s h -l help -d 'show how to use it and end'
complete -c tranchor -l version -d 'show the version and end'
complete -c tranchor -n __tranchor_option_place --arguments=-- -d 'end of the options: the rest are names'
complete -c tranchor -n '__tranchor_options | string match -qr -- "^--(glue|check)\$"' -f -a '(__tranchor_pieces)'
