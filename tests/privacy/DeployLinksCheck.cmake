# Runs DeployLinks.cmake for an awkward Windows install folder and checks what it wrote.
file(REMOVE_RECURSE "${DEST_DIR}")
set(WINDOWS_DIR "C:\\Program Files\\R&D Übung 100%\\")
include(${SOURCE_DIR}/privacy/DeployLinks.cmake)

file(READ "${DEST_DIR}/config/url.xml" written)
set(base "file:///C:/Program%20Files/R%26D%20%C3%9Cbung%20100%25/docs")
foreach(expected
        "<PrivacyStatement url=\"${base}/privacy-statement.html\"/>"
        "<UserAgreement url=\"${base}/user-agreement.html\"/>"
        "<ChangeNoticaty url=\"${base}/change-notice.html\"/>")
    string(FIND "${written}" "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "missing in url.xml: ${expected}\n--- written:\n${written}")
    endif()
endforeach()
if(written MATCHES "@DOCS_URL@")
    message(FATAL_ERROR "placeholder left in url.xml")
endif()
foreach(doc privacy-statement user-agreement change-notice)
    if(NOT EXISTS "${DEST_DIR}/docs/${doc}.html")
        message(FATAL_ERROR "document not deployed: ${doc}.html")
    endif()
endforeach()
file(REMOVE_RECURSE "${DEST_DIR}")
