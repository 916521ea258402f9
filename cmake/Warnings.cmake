# Every target of the project builds with the same warning set; warnings are treated as faults
# to be mended, not silenced.
add_compile_options(-Wall -Wextra -Wpedantic)
