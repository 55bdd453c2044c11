<% if x then %>
  yes
<% end if %>
<%
  Response.Write "a  b"
%>
  next
