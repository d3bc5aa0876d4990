# KR_SANITIZE applies to every target of the build, so that the static
# libraries and the test programs are instrumented alike.
if(KR_SANITIZE)
  add_compile_options(-fsanitize=${KR_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${KR_SANITIZE})
  if(KR_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
