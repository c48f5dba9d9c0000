# On Intel cores with the jump-alignment erratum fix, a jump that crosses or
# ends on a 32-byte boundary keeps its 32-byte piece of code out of the
# decoded-instruction cache, so the speed of a loop over a whole image would
# depend on where the linker happens to place it (a forward scan ran at half
# the speed of the same backward one). The assembler pads the jumps of the
# libraries whose loops read whole images so that none does;
# tests/search/jumps_within_32b.sh checks the code it made.
set(SORREL_PADS_JUMPS OFF)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$" AND
   CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
    set(SORREL_PADS_JUMPS ON)
endif()

function(sorrel_keep_jumps_within_32b target)
    if(SORREL_PADS_JUMPS)
        target_compile_options(${target} PRIVATE
            $<$<CXX_COMPILER_ID:GNU>:-Wa,-mbranches-within-32B-boundaries>
            $<$<CXX_COMPILER_ID:Clang>:-mbranches-within-32B-boundaries>)
    endif()
endfunction()
