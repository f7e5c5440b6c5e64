# fish completion for ferrowax: its options, and folders where a folder goes.

complete -c ferrowax -f -a '(__fish_complete_directories (commandline -ct) folder)'
complete -c ferrowax -l list -d 'Walk the folders and print every match, without a window'
complete -c ferrowax -l folder -x -a '(__fish_complete_directories (commandline -ct))' -d 'A folder to walk'
complete -c ferrowax -s e -l ext -x -d 'An extension to look for'
complete -c ferrowax -s E -l exclude -x -a '(__fish_complete_directories (commandline -ct))' -d 'Never enter a folder that matches'
complete -c ferrowax -s i -l ignore-case -d 'An extension matches whatever its letter case'
complete -c ferrowax -s 0 -l null -d 'End each path with a NUL byte'
complete -c ferrowax -l one-file-system -d 'Never enter a folder on another file system'
complete -c ferrowax -s h -l help -d 'Show the usage'
complete -c ferrowax -s V -s v -l version -d 'Show the version'
